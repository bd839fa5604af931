// A library the loader tests bind by name.
extern "C" int PlugAdd(int a, int b) { return a + b; }
extern "C" const char* PlugName() { return "PlugTest"; }
