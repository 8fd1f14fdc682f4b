/* A module that loads but exports none of the plug-in functions. */
__attribute__((visibility("hidden"))) int emptyModuleMarker(void) { return 0; }
