/* A library in place of tarvoUtils that needs a shared object not installed. */
int tarvoMissingDependency(void);
int tarvoNeedsMissing(void) { return tarvoMissingDependency(); }
