// Linked into every test binary that loads the module with our host library.
// In such a binary the leak checker's walk of the dynamic TLS blocks at exit
// can crash its tracer (after every test has passed); not scanning TLS can
// only make an object reachable from TLS alone look leaked, never hide a
// leak. The environment's LSAN_OPTIONS still apply on top of this, and the
// processes the tests start keep the default.
#ifdef __SANITIZE_ADDRESS__
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
    return "use_tls=0";
}
#endif
