import QtQuick 2.0
import org.shotcut.qml 1.0

// Shotcut lists a filter by this file; the panel is ui.qml beside it.
Metadata {
    type: Metadata.Filter
    name: qsTr("QX Tessory")
    keywords: qsTr('shape cut echo shadow stroke circle ring hexagon', 'search keywords for the QX Tessory video filter') + ' tessory'
    mlt_service: "frei0r.tessory"
    qml: "ui.qml"
}
