#include "app/Main.h"

#include "channel/NMKomunikace.h"

TfrmMain* frmMain = nullptr;

namespace {

constexpr std::uint32_t kTimerInterval = 200;

}  // namespace

std::unique_ptr<TfrmMain> TfrmMain::Create(platform::IApplication& application,
                                           TStreamFactory streams,
                                           std::unique_ptr<platform::IWindowSystem> windows) {
  if (!windows) windows = platform::CreateWindowSystem();
  auto form = std::make_unique<TfrmMain>(application, std::move(streams), std::move(windows));
  frmMain = form.get();
  form->FormCreate();
  return form;
}

TfrmMain::TfrmMain(platform::IApplication& application, TStreamFactory streams,
                   std::unique_ptr<platform::IWindowSystem> windows)
    : FApplication(application), FStreams(std::move(streams)), FWindows(std::move(windows)) {
  Window =
      application.CreateForm([this](platform::TCreateParams& params) { CreateParams(params); });
  Window->SetCaption(u"Ferolant");
  Window->SetBounds({312, 263, 609, 382});

  Label2 = Window->CreateLabel({{8, 8, 150, 13}, u"Log extern\u00ED komunikace STDIO"});

  TimerEndApp = application.CreateTimer([this] { TimerEndAppTimer(); });
  TimerEndApp->SetEnabled(false);
  TimerEndApp->SetInterval(kTimerInterval);

  TimerFixWind = application.CreateTimer([this] { TimerFixWindTimer(); });
  TimerFixWind->SetEnabled(false);
  TimerFixWind->SetInterval(kTimerInterval);

  platform::TLogControlDesign log;
  log.Bounds = {8, 24, 581, 317};
  log.Anchors = platform::akLeft | platform::akTop | platform::akRight | platform::akBottom;
  log.VerticalScrollBar = true;
  log.TabOrder = 0;
  log.PlainText = false;
  memoLog = Window->CreateLogControl(log);

  FDialogWatch = std::make_unique<TDialogWatch>(
      *FWindows, [this](bool enabled) { TimerFixWind->SetEnabled(enabled); },
      [this](const std::string& line) { memoLog->AppendLine(line); });
}

TfrmMain::~TfrmMain() {
  if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::FormCreate() {
  // A tool window gets no task-bar button; the style only takes while the
  // application's window is hidden.
  FApplication.ShowApplicationWindow(false);
  FApplication.SetApplicationExStyle(FApplication.ApplicationExStyle() | platform::kWsExToolWindow);
  FApplication.ShowApplicationWindow(true);

  TNMKomunikace::Start(FApplication, *this, FStreams);

  Window->SetBorderStyle(platform::TBorderStyle::bsNone);
  Window->SetFormStyle(platform::TFormStyle::fsStayOnTop);
  Window->SetBounds({0, 0, 1, 1});
}

void TfrmMain::CreateParams(platform::TCreateParams& params) const {
  Window->DefaultCreateParams(params);
  // Every extended style but the tool-window bit goes, WS_EX_APPWINDOW
  // included: the form must never get a task-bar button of its own.
  params.ExStyle &= platform::kWsExToolWindow;
}

void TfrmMain::TimerEndAppTimer() {
  TimerEndApp->SetEnabled(false);
  Window->HandleNeeded();
  Window->PostClose();
}

void TfrmMain::StartFixWind(std::uint32_t threadId) { FDialogWatch->StartFixWind(threadId); }

void TfrmMain::StopFixWind() { FDialogWatch->StopFixWind(); }

void TfrmMain::TimerFixWindTimer() { FDialogWatch->TimerFixWindTimer(); }
