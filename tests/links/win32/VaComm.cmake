# The VaComm unit's tests on Win32 (none yet).
