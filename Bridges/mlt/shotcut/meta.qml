import QtQuick 2.0
import org.shotcut.qml 1.0

// Shotcut lists the native "tessory" filter by this file; the panel is ui.qml beside it.
// Every slider can take keyframes; the curves are in the effect's own units.
Metadata {
    type: Metadata.Filter
    name: qsTr("QX Tessory")
    keywords: qsTr('shape cut echo shadow stroke circle ring hexagon', 'search keywords for the QX Tessory video filter') + ' tessory'
    mlt_service: "tessory"
    qml: "ui.qml"

    keyframes {
        allowAnimateIn: true
        allowAnimateOut: true
        simpleProperties: ['shape_size_1', 'shape_size_2', 'shape_rotation', 'shadow_size', 'shadow_opacity', 'stroke_size', 'stroke_opacity', 'instances', 'shape_size_1_offset', 'shape_size_2_offset', 'position_x_offset', 'position_y_offset', 'scale_x_offset', 'scale_y_offset', 'rotation_offset', 'opacity_offset']
        parameters: [
            Parameter {
                name: qsTr('Shape Size 1')
                property: 'shape_size_1'
                isCurve: true
                minimum: 0
                maximum: 2000
            },
            Parameter {
                name: qsTr('Shape Size 2')
                property: 'shape_size_2'
                isCurve: true
                minimum: 0
                maximum: 2000
            },
            Parameter {
                name: qsTr('Shape Rotation')
                property: 'shape_rotation'
                isCurve: true
                minimum: -360
                maximum: 360
            },
            Parameter {
                name: qsTr('Shadow Size')
                property: 'shadow_size'
                isCurve: true
                minimum: 0
                maximum: 1000
            },
            Parameter {
                name: qsTr('Shadow Opacity')
                property: 'shadow_opacity'
                isCurve: true
                minimum: 0
                maximum: 100
            },
            Parameter {
                name: qsTr('Stroke Size')
                property: 'stroke_size'
                isCurve: true
                minimum: 0
                maximum: 60
            },
            Parameter {
                name: qsTr('Stroke Opacity')
                property: 'stroke_opacity'
                isCurve: true
                minimum: 0
                maximum: 100
            },
            Parameter {
                name: qsTr('Instances')
                property: 'instances'
                isCurve: true
                minimum: 1
                maximum: 20
            },
            Parameter {
                name: qsTr('Shape Size 1 Offset')
                property: 'shape_size_1_offset'
                isCurve: true
                minimum: -1000
                maximum: 1000
            },
            Parameter {
                name: qsTr('Shape Size 2 Offset')
                property: 'shape_size_2_offset'
                isCurve: true
                minimum: -1000
                maximum: 1000
            },
            Parameter {
                name: qsTr('Position X Offset')
                property: 'position_x_offset'
                isCurve: true
                minimum: -2000
                maximum: 2000
            },
            Parameter {
                name: qsTr('Position Y Offset')
                property: 'position_y_offset'
                isCurve: true
                minimum: -2000
                maximum: 2000
            },
            Parameter {
                name: qsTr('Scale X Offset')
                property: 'scale_x_offset'
                isCurve: true
                minimum: -200
                maximum: 200
            },
            Parameter {
                name: qsTr('Scale Y Offset')
                property: 'scale_y_offset'
                isCurve: true
                minimum: -200
                maximum: 200
            },
            Parameter {
                name: qsTr('Rotation Offset')
                property: 'rotation_offset'
                isCurve: true
                minimum: -360
                maximum: 360
            },
            Parameter {
                name: qsTr('Opacity Offset')
                property: 'opacity_offset'
                isCurve: true
                minimum: 0
                maximum: 100
            }
        ]
    }
}
