// Only the carrier of the test programs' shared precompiled header.
