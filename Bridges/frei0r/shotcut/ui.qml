import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

// The QX Tessory panel: every control in the effect's own units. The frei0r filter takes
// numbers as 0..1 of the effect's range (value = min + frei0r x (max - min)), menus as the
// choice's number, colours as text and the checkbox as 0 or 1. Parameters are named by
// their frei0r index. "Shape Center" is not offered: MLT passes no positions to frei0r
// filters, so the shape stays centred. The filter's "threads" is left alone: at 0 MLT
// would slice the frame and make an effect per slice.
Item {
    id: root

    // index: frei0r parameter; dflt: the effect's default, in its own units.
    property var controls: [
        { index: 0, label: qsTr('Shape Type'), kind: 'menu', dflt: 1, choices: [qsTr('Circle'), qsTr('Ring'), qsTr('Cross'), qsTr('Triangle'), qsTr('Rectangle'), qsTr('Hexagon'), qsTr('Octagon'), qsTr('T Shape')] },
        { index: 1, label: qsTr('Shape Size 1'), kind: 'slider', min: 0, max: 2000, dflt: 300, suffix: ' px' },
        { index: 2, label: qsTr('Shape Size 2'), kind: 'slider', min: 0, max: 2000, dflt: 50, suffix: ' px' },
        { index: 4, label: qsTr('Shape Rotation'), kind: 'slider', min: 0, max: 360, dflt: 0, suffix: ' °' },
        { index: 5, label: qsTr('Fill Type'), kind: 'menu', dflt: 1, choices: [qsTr('Fill Outside'), qsTr('Fill Inside')] },
        { index: 6, label: qsTr('Transparent Background'), kind: 'check', dflt: 0 },
        { index: 7, label: qsTr('Edge Type'), kind: 'menu', dflt: 1, choices: [qsTr('Shadow'), qsTr('Stroke')] },
        { index: 8, label: qsTr('Shadow Size'), kind: 'slider', min: 0, max: 1000, dflt: 100, suffix: ' px' },
        { index: 9, label: qsTr('Shadow Color'), kind: 'color', dflt: '#000000' },
        { index: 10, label: qsTr('Shadow Opacity'), kind: 'slider', min: 0, max: 100, dflt: 40, suffix: ' %' },
        { index: 11, label: qsTr('Stroke Size'), kind: 'slider', min: 0, max: 60, dflt: 10, suffix: ' px' },
        { index: 12, label: qsTr('Stroke Color'), kind: 'color', dflt: '#000000' },
        { index: 13, label: qsTr('Stroke Opacity'), kind: 'slider', min: 0, max: 100, dflt: 100, suffix: ' %' },
        { index: 14, label: qsTr('Instances'), kind: 'slider', min: 1, max: 20, dflt: 5, suffix: '' },
        { index: 15, label: qsTr('Shape Size 1 Offset'), kind: 'slider', min: -1000, max: 1000, dflt: 0, suffix: ' px' },
        { index: 16, label: qsTr('Shape Size 2 Offset'), kind: 'slider', min: -1000, max: 1000, dflt: 0, suffix: ' px' },
        { index: 17, label: qsTr('Position X Offset'), kind: 'slider', min: -2000, max: 2000, dflt: 0, suffix: ' px' },
        { index: 18, label: qsTr('Position Y Offset'), kind: 'slider', min: -2000, max: 2000, dflt: 0, suffix: ' px' },
        { index: 19, label: qsTr('Scale X Offset'), kind: 'slider', min: -200, max: 200, dflt: 10, suffix: ' %' },
        { index: 20, label: qsTr('Scale Y Offset'), kind: 'slider', min: -200, max: 200, dflt: 10, suffix: ' %' },
        { index: 21, label: qsTr('Rotation Offset'), kind: 'slider', min: -360, max: 360, dflt: 0, suffix: ' °' },
        { index: 22, label: qsTr('Opacity Offset'), kind: 'slider', min: 0, max: 100, dflt: 0, suffix: ' %' }
    ]

    function frei0rValue(c, shown) {
        return c.kind === 'slider' ? (shown - c.min) / (c.max - c.min) : shown;
    }
    function shownValue(c) {
        var text = filter.get(String(c.index));
        if (text === '')
            return c.dflt;  // unset: the effect's own default
        if (c.kind === 'slider')
            return c.min + filter.getDouble(String(c.index)) * (c.max - c.min);
        if (c.kind === 'color')
            return text;
        return filter.getDouble(String(c.index));
    }
    function store(c, shown) {
        filter.set(String(c.index), frei0rValue(c, shown));
    }

    width: 400
    height: column.implicitHeight + 16
    Component.onCompleted: {
        if (filter.isNew) {
            for (var i = 0; i < controls.length; ++i)
                store(controls[i], controls[i].dflt);
        }
    }

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.margins: 8

        // One row a parameter; only the control of its kind is shown and stores values.
        Repeater {
            model: root.controls

            RowLayout {
                property var control: modelData

                Label {
                    text: control.label
                    Layout.preferredWidth: 150
                    horizontalAlignment: Text.AlignRight
                }

                Shotcut.SliderSpinner {
                    visible: control.kind === 'slider'
                    Layout.fillWidth: true
                    minimumValue: visible ? control.min : 0
                    maximumValue: visible ? control.max : 1
                    suffix: visible ? control.suffix : ''
                    value: visible ? root.shownValue(control) : 0
                    onValueChanged: if (visible) root.store(control, value)
                }

                Shotcut.ComboBox {
                    visible: control.kind === 'menu'
                    model: visible ? control.choices : []
                    currentIndex: visible ? root.shownValue(control) - 1 : -1
                    onActivated: root.store(control, currentIndex + 1)
                }

                Shotcut.ColorPicker {
                    visible: control.kind === 'color'
                    value: visible ? root.shownValue(control) : '#000000'
                    onValueChanged: if (visible) root.store(control, value)
                }

                CheckBox {
                    visible: control.kind === 'check'
                    checked: visible && root.shownValue(control) !== 0
                    onCheckedChanged: if (visible) root.store(control, checked ? 1 : 0)
                }
            }
        }
    }
}
