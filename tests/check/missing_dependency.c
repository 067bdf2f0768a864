/* A shared object that installations lack: built away from the programs. */
int tarvoMissingDependency(void) { return 1; }
