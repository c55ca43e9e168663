# The SimpleTCP unit's tests on Win32 (none yet).
