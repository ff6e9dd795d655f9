#include "app/host_main.h"

#include "app/Main.h"
#include "operations/code_page_text.h"
#include "platform/application.h"
#include "platform/code_page.h"
#include "platform/process_exit.h"

void RunHostProcess() {
  DefaultCodePage = GetAnsiCodePage();

  // Never destroyed: the worker may still sit in a read of standard input
  // when the main form closes, and must find its form and application intact
  // until the process is gone.
  std::unique_ptr<IApplication> application = CreateApplication();
  application->Initialize();
  application->SetTitle(u"Tavrin for browser");
  application->CloseMainFormOnShutdownRequests();
  std::unique_ptr<TfrmMain> form = TfrmMain::Create(*application);
  application->Run(*form->Window);
  LeaveProcess(0);
}
