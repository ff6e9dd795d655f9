#include "channel/NMKomunikace.h"

// Request intake is not wired yet: messages are read and then left unanswered.
void TNMKomunikace::ProcessRequest() {}
