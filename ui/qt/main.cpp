// The program's entry: straight into the one window.
#include <QApplication>

#include "ui/qt/application.h"
#include "ui/qt/form1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  tolvane::qt::set_up_application(application);
  tolvane::qt::Form1 form;
  form.show();
  return QApplication::exec();
}
