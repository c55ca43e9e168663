# The SimpleTCP unit on Win32: its sources (none yet).
