// The program's entry: straight into the one window.
#include <QApplication>

#include "window/application.h"
#include "window/form1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::window::set_up_application(application);
  tolvane::window::Form1 form;
  form.show();
  return QApplication::exec();
}
