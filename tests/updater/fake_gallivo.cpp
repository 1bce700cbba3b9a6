// Stands in for the Gallivo program beside the host: only its embedded version matters.
#include <zlvplatform.h>

ZLV_EMBED_VERSION(FAKE_VERSION_A, FAKE_VERSION_B, FAKE_VERSION_C, FAKE_VERSION_D);

int main() { return 0; }
