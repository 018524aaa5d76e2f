// quick_program.exe: ends at once. The tests copy it under the names of
// programs the panel starts (MSINFO32.EXE): a copy of one of Wine's own
// programs would run Wine's program of the new name instead, and Wine's
// System Information stays open.
int main() { return 0; }
