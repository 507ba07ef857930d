/* A program that does nothing: the floor every run of the tool is measured
   against. */
int main(void) { return 0; }
