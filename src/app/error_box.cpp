#include "app/error_box.h"

#include "base/gbk_codec.h"

#include <QApplication>
#include <QMessageBox>

namespace {

ErrorBox::Presenter& presenter()
{
    static ErrorBox::Presenter installed;
    return installed;
}

}

void ErrorBox::Show(const Text& message)
{
    const QString caption = QCoreApplication::applicationName();
    const QString text = QString::fromStdString(GbkToUtf8(MessageText(message)));
    if (presenter()) {
        presenter()(caption, text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), caption, text, QMessageBox::Ok);
}

void ErrorBox::SetPresenter(Presenter replacement) { presenter() = std::move(replacement); }

Text ErrorBox::MessageText(const Text& message)
{
    if (!message.empty() && message.back() == '.')
        return message;
    return message + ".";
}
