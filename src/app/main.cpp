#include "app/main_form.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("LinkWatch");
    Tform1 form1;
    form1.show();
    return QApplication::exec();
}
