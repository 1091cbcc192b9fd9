#!/usr/bin/env python3
"""Prints the --pwdencode form of a password: each Latin-1 character as two letters of the bridge's
16-letter alphabet (high four bits first), so the password does not stand in clear on a command
line or in a crontab. It hides the password from a glance, it does not protect it."""
import sys

ALPHABET = "Hm3$Tz8+Wd1&Xk6="

if len(sys.argv) != 2:
    sys.exit("usage: encode-password.py PASSWORD")
print("".join(ALPHABET[b >> 4] + ALPHABET[b & 15] for b in sys.argv[1].encode("latin-1")))
