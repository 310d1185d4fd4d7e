#include "ui/Style.h"

#include <QApplication>
#include <QProxyStyle>
#include <QToolTip>

namespace {
class OrbtoolStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    // Pop-up hints wait five seconds; the status bar shows the hint at once.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 5000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

void InstallOrbtoolStyle()
{
    if (!dynamic_cast<OrbtoolStyle*>(QApplication::style()))
        QApplication::setStyle(new OrbtoolStyle(QApplication::style()->name()));
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(255, 255, 160));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}
