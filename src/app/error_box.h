#pragma once

#include "base/text.h"

#include <QString>
#include <exception>
#include <functional>

// The application's standard error box: an error icon, the application's
// title as caption, the message with a full stop appended when it has none,
// and an OK button. Every exception that leaves a window handler ends here
// and the program carries on.
//
// GUI thread only. Show blocks in a modal box until the operator presses OK,
// unless a presenter has been put in its place (tests do, so that nothing
// waits for a click). Nothing here throws.
class ErrorBox
{
public:
    using Presenter = std::function<void(const QString& caption, const QString& text)>;

    // Shows a GBK message.
    static void Show(const Text& message);
    // Replaces the modal box for the whole process; an empty presenter puts
    // the box back.
    static void SetPresenter(Presenter presenter);

    // Runs a handler and shows any exception that leaves it.
    template <typename Handler> static void Guard(Handler&& handler) noexcept
    {
        try {
            handler();
        } catch (const std::exception& error) {
            Show(error.what());
        } catch (...) {
            Show("Unknown error");
        }
    }

    // The box's text for a message: the message with a full stop appended
    // when it has none.
    static Text MessageText(const Text& message);
};
