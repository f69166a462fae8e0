/* The code of a version probe module; only its version resource matters. */
int ProbeValue(void) {
    return 1;
}
