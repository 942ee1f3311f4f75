// 文本to图片: the window program.
#include <optional>
#include <string>
#include <vector>

#include "app/app_pictures.h"
#include "app/application.h"
#include "app/command_line.h"
#include "app/failure_display.h"
#include "app/form1.h"
#include "app/system_colors.h"
#include "app/window_metrics.h"
#include "app/x11_icon_name.h"
#include "text/font_list.h"

// The window takes no command line but --help and --version; the application object gives Qt
// nothing of it.
int main(int argc, char** argv) {
  if (const std::optional<int> status = t2j::AnswerCommandLine(argc, argv)) return *status;
  t2j::TApplication app(argc > 0 ? argv[0] : nullptr);
  // The application name, not a display name: Qt would append a display name to every title.
  t2j::TApplication::setApplicationName(QString::fromUtf8(t2j::kApplicationTitle));
  t2j::TApplication::setDesktopFileName(QStringLiteral(T2J_APP_ID));
  t2j::TApplication::setWindowIcon(t2j::ProgramIcon());
  t2j::SetSystemColorsFromPalette(t2j::TApplication::palette());

  std::vector<std::string> font_names;
  t2j::RunGuarded([&] { font_names = t2j::InstalledFontNames(); });

  t2j::TForm1 form1;
  form1.FormCreate(font_names);
  t2j::SetX11WindowClass(form1);
  form1.show();
  t2j::SetX11IconName(form1);
  t2j::TApplication::exec();
  return 0;
}
