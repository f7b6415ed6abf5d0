#include "marquee_designer_plugin.h"

#include <ZQMarq/zq_marquee.h>

#include <QIcon>

namespace zqmarq {

MarqueeDesignerPlugin::MarqueeDesignerPlugin(QObject* parent) : QObject(parent) {}

QString MarqueeDesignerPlugin::name() const {
    return QStringLiteral("zqmarq::ZqMarquee");
}
QString MarqueeDesignerPlugin::group() const {
    return QStringLiteral("Nimbrel");
}
QString MarqueeDesignerPlugin::toolTip() const {
    return QStringLiteral("Nimbrel Marquee Control");
}
QString MarqueeDesignerPlugin::whatsThis() const {
    return QStringLiteral("A banner that scrolls text and pictures given by its marquee markup.");
}
QString MarqueeDesignerPlugin::includeFile() const {
    return QStringLiteral("ZQMarq/zq_marquee.h");
}
QIcon MarqueeDesignerPlugin::icon() const {
    return QIcon();
}
bool MarqueeDesignerPlugin::isContainer() const {
    return false;
}

QWidget* MarqueeDesignerPlugin::createWidget(QWidget* parent) {
    return new ZqMarquee(parent);
}

bool MarqueeDesignerPlugin::isInitialized() const {
    return m_initialized;
}
void MarqueeDesignerPlugin::initialize(QDesignerFormEditorInterface*) {
    m_initialized = true;
}

QString MarqueeDesignerPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"zqmarq::ZqMarquee\" name=\"ZqMarquee1\">\n"
                          "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>300</width>"
                          "<height>40</height></rect></property>\n"
                          " </widget>\n"
                          "</ui>\n");
}

} // namespace zqmarq
