#include "app/host_main.h"

int main() { RunHostProcess(); }
