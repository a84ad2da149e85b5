#!/usr/bin/env python3
"""CTest fixture: creates the booted Wine prefix that every Wine test copies."""
import orlwine

if __name__ == "__main__":
    orlwine.boot()
    print("booted", orlwine.BOOTED_PREFIX)
