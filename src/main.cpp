// The engine does not play yet: it starts and returns at once.
int main() { return 0; }
