// Linked into the sanitizer build's programs. Fontconfig keeps a pattern's elements at an offset
// from the pattern rather than behind a pointer, so the leak check cannot follow from a font the
// text layer holds for the whole run to its pattern's elements and reports them as lost.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
