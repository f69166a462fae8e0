/* Resource-only modules for the copy-step tests: loaded as data files, never run. */
int ResourceOnlyModule;
