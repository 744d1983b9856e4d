#pragma once

#include "app/toolkit/form.h"
#include "preview/clock_window.h"
#include "windows/main/main_window.h"

#include <QObject>

namespace lumatic {

// The four windows of the application, each made on first use and at most once: the main
// window Form1, the hidden clock window Form2, the help window Form3 and the news window Form4.
class Windows : public QObject, public MainWindowHost {
    Q_OBJECT
public:
    using Factory = WindowSlot<Form>::Factory;

    // The help and news windows come from the given factories.
    Windows(Factory help, Factory news);

    MainWindow &Form1() { return form1_.get(); }
    ClockWindow &Form2() override { return form2_.get(); }
    Form &Form3() { return form3_.get(); }
    Form &Form4() { return form4_.get(); }

    MainWindow *existingForm1() const { return form1_.existing(); }
    ClockWindow *existingForm2() override { return form2_.existing(); }
    Form *existingForm3() const { return form3_.existing(); }
    Form *existingForm4() const { return form4_.existing(); }

    void showForm3() override { form3_.get().showNonModal(); }
    void showForm4() override { form4_.get().showNonModal(); }
    void closeAll() override;

    bool anyOpen() const;

signals:
    // The last window has closed: the application is over.
    void ended();

private:
    void mainClosed();
    void windowClosed();

    WindowSlot<MainWindow> form1_;
    WindowSlot<ClockWindow> form2_;
    WindowSlot<Form> form3_;
    WindowSlot<Form> form4_;
    bool closingAll_ = false;
};

} // namespace lumatic
