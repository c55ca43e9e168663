# The VaComm unit on Win32: its sources (none yet).
