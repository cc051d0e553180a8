// A loadable shared object that is not a plug-in: it exports a function, but
// no VST entry point.
extern "C" __attribute__((visibility("default"))) int notAPluginEntry() { return 42; }
