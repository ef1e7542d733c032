/* Entry point of the fixture images: they are never run, only read. */
int start(void) { return 0; }
