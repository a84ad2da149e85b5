#!/usr/bin/env python3
"""CTest fixture: ends whatever Wine left running in the test prefixes."""
import orlwine

if __name__ == "__main__":
    orlwine.cleanup()
    print("cleaned up", orlwine.WINE_WORK)
