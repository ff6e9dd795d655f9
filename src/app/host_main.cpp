#include "app/host_main.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Main.h"
#include "channel/worker_setup.h"
#include "operations/code_page_text.h"
#include "operations/uTavrinDLL.h"
#include "platform/application.h"
#include "platform/code_page.h"
#include "platform/heap_policy.h"
#include "platform/process_exit.h"
#include "platform/rtf_log.h"

namespace {

#ifdef FEROLANT_TRAFFIC_LOG
std::string TrafficLogFileName() {
#ifdef FEROLANT_TEST_LOG_FILE_VARIABLE
  // Only in the test build of the logging host: each test names its own file.
  if (const char* name = std::getenv(FEROLANT_TEST_LOG_FILE_VARIABLE)) return name;
#endif
  return platform::LogFileName();
}
#endif

}  // namespace

int RunHostProcess() {
  platform::KeepLargeBlocksForReuse();
  DefaultCodePage = platform::GetAnsiCodePage();

  // Kept for the life of the process: the worker calls into it until the end.
  const TTavrinBinding tavrin = BindTavrinLibrary();
  if (!tavrin.library) {
    std::fprintf(stderr, "%s\n", tavrin.error.c_str());
    return EXIT_FAILURE;
  }
  WorkerSetup.Tavrin = &tavrin.library->functions;
#ifdef FEROLANT_TRAFFIC_LOG
  WorkerSetup.LogEnabled = true;
  WorkerSetup.LogFileName = TrafficLogFileName();
#endif

  // Never destroyed: the worker may still sit in a read of standard input
  // when the main form closes, and must find its form and application intact
  // until the process is gone.
  std::unique_ptr<platform::IApplication> application = platform::CreateApplication();
  application->Initialize();
  application->SetTitle(u"Tavrin for browser");
  application->CloseMainFormOnShutdownRequests();
  std::unique_ptr<TfrmMain> form = TfrmMain::Create(*application);
  application->Run(*form->Window);
  platform::LeaveProcess(0);
}
