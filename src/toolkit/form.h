#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace lumatic {

// A top-level window of fixed size that opens centred on its screen, frame included, and is
// destroyed, with all it holds, when it closes.
class Form : public QWidget {
    Q_OBJECT
public:
    Form(const char *name, const QString &caption, QSize clientSize, std::uint32_t background);

    // Shows the window without making it modal; an open window is restored if minimised,
    // raised and activated.
    void showNonModal();

    // Changes the client size while the top-left corner stays where it is, unless the window
    // would then reach off the screen: it moves up or left just enough to show whole.
    void resizeClient(QSize clientSize);

signals:
    // The window has accepted its close and is on its way out: it must not be used again.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void centre();

    bool placed_ = false;
    bool centreOnceFramed_ = false;
};

// Holds one window of a kind: made on first use, forgotten as soon as it closes, so the next
// use makes a new one.
template <class Window> class WindowSlot {
    static_assert(std::is_base_of_v<Form, Window>);

public:
    using Factory = std::function<Window *()>;

    // onClosed runs once the slot has let go of a window that closed, however it closed.
    explicit WindowSlot(Factory create, std::function<void()> onClosed = {})
        : create_(std::move(create)), onClosed_(std::move(onClosed)) {}
    WindowSlot(const WindowSlot &) = delete;
    WindowSlot &operator=(const WindowSlot &) = delete;
    // Whatever is still open goes with the slot, without the closing steps.
    ~WindowSlot() { delete window_.data(); }

    Window &get() {
        if (!window_) {
            Window *made = create_();
            window_ = made;
            // The window is the context: the connection goes with it, and the slot deletes
            // whatever is still open before it goes itself.
            QObject::connect(made, &Form::closed, made, [this, made] {
                if (window_ == made)
                    forget();
            });
        }
        return *window_;
    }

    Window *existing() const { return window_.data(); }

    // Closing a window that does not exist does nothing.
    void close() {
        if (window_)
            window_->close();
    }

private:
    void forget() {
        window_.clear();
        if (onClosed_)
            onClosed_();
    }

    Factory create_;
    std::function<void()> onClosed_;
    QPointer<Window> window_;
};

} // namespace lumatic
