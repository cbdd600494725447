// The console: the Qt front-end around the window model, started with the command line.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/front_end.hpp"
#include "shell/startup.hpp"
#include "ui/form.hpp"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Windows hide rather than close, and the console decides when it ends.
  QApplication::setQuitOnLastWindowClosed(false);
  gui::FrontEnd front_end;

  ui::set_program_end([&front_end] {
    // The shutdown steps have closed the port, the sockets and the logs by now. The ending
    // may come from deep inside a handler, so the process ends here rather than unwinding.
    front_end.shutdown();
    QCoreApplication::quit();
    // The default instances go before the registry they are listed in.
    ui::discard_all_forms();
    std::fflush(nullptr);
    std::exit(0);
  });

  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  ecu::start_console(command_line);
  const int status = QApplication::exec();
  // Qt's loop ended by itself (the session closed): take the console's own way out.
  ui::end_program();
  return status;
}
