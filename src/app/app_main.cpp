#include "app/app_main.h"

#include <QApplication>

namespace ticksmith::app {

int RunWindowProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    return 0;
}

}  // namespace ticksmith::app
