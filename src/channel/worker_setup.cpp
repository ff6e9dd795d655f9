#include "channel/worker_setup.h"

TWorkerSetup WorkerSetup;
