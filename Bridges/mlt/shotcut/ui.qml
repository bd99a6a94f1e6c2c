import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

// The panel of the native "tessory" filter. Properties go by the parameters' aliases
// (shape_size_1): Shotcut's presets pass names split at spaces. Every control stores the
// effect's own value (pixels, degrees, per cent, a count; menus the choice's number;
// colours #AARRGGBB; the centre "x y" in pixels of the profile). Each control resets to
// the effect's default, the sliders take keyframes, and presets keep every parameter.
Shotcut.KeyframableFilter {
    property var allParameters: ['shape_type', 'shape_size_1', 'shape_size_2', 'shape_center', 'shape_rotation', 'fill_type', 'transparent_background', 'edge_type', 'shadow_size', 'shadow_color', 'shadow_opacity', 'stroke_size', 'stroke_color', 'stroke_opacity', 'instances', 'shape_size_1_offset', 'shape_size_2_offset', 'position_x_offset', 'position_y_offset', 'scale_x_offset', 'scale_y_offset', 'rotation_offset', 'opacity_offset']

    function setControls() {
        var position = getPosition();
        var simple = filter.animateIn <= 0 && filter.animateOut <= 0;
        blockUpdate = true;
        shapeTypeMenu.currentIndex = Math.max(0, filter.getDouble('shape_type') - 1);
        shapeSize1Slider.value = filter.getDouble('shape_size_1', position);
        shapeSize1Keyframes.checked = simple && filter.keyframeCount('shape_size_1') > 0;
        shapeSize2Slider.value = filter.getDouble('shape_size_2', position);
        shapeSize2Keyframes.checked = simple && filter.keyframeCount('shape_size_2') > 0;
        var center = filter.get('shape_center').split(' ');
        centerX.value = center.length >= 2 ? Number(center[0]) : profile.width / 2;
        centerY.value = center.length >= 2 ? Number(center[1]) : profile.height / 2;
        shapeRotationSlider.value = filter.getDouble('shape_rotation', position);
        shapeRotationKeyframes.checked = simple && filter.keyframeCount('shape_rotation') > 0;
        fillTypeMenu.currentIndex = Math.max(0, filter.getDouble('fill_type') - 1);
        transparentBackgroundCheck.checked = filter.getDouble('transparent_background') !== 0;
        edgeTypeMenu.currentIndex = Math.max(0, filter.getDouble('edge_type') - 1);
        shadowSizeSlider.value = filter.getDouble('shadow_size', position);
        shadowSizeKeyframes.checked = simple && filter.keyframeCount('shadow_size') > 0;
        shadowColorPicker.value = filter.get('shadow_color');
        shadowOpacitySlider.value = filter.getDouble('shadow_opacity', position);
        shadowOpacityKeyframes.checked = simple && filter.keyframeCount('shadow_opacity') > 0;
        strokeSizeSlider.value = filter.getDouble('stroke_size', position);
        strokeSizeKeyframes.checked = simple && filter.keyframeCount('stroke_size') > 0;
        strokeColorPicker.value = filter.get('stroke_color');
        strokeOpacitySlider.value = filter.getDouble('stroke_opacity', position);
        strokeOpacityKeyframes.checked = simple && filter.keyframeCount('stroke_opacity') > 0;
        instancesSlider.value = filter.getDouble('instances', position);
        instancesKeyframes.checked = simple && filter.keyframeCount('instances') > 0;
        shapeSize1OffsetSlider.value = filter.getDouble('shape_size_1_offset', position);
        shapeSize1OffsetKeyframes.checked = simple && filter.keyframeCount('shape_size_1_offset') > 0;
        shapeSize2OffsetSlider.value = filter.getDouble('shape_size_2_offset', position);
        shapeSize2OffsetKeyframes.checked = simple && filter.keyframeCount('shape_size_2_offset') > 0;
        positionXOffsetSlider.value = filter.getDouble('position_x_offset', position);
        positionXOffsetKeyframes.checked = simple && filter.keyframeCount('position_x_offset') > 0;
        positionYOffsetSlider.value = filter.getDouble('position_y_offset', position);
        positionYOffsetKeyframes.checked = simple && filter.keyframeCount('position_y_offset') > 0;
        scaleXOffsetSlider.value = filter.getDouble('scale_x_offset', position);
        scaleXOffsetKeyframes.checked = simple && filter.keyframeCount('scale_x_offset') > 0;
        scaleYOffsetSlider.value = filter.getDouble('scale_y_offset', position);
        scaleYOffsetKeyframes.checked = simple && filter.keyframeCount('scale_y_offset') > 0;
        rotationOffsetSlider.value = filter.getDouble('rotation_offset', position);
        rotationOffsetKeyframes.checked = simple && filter.keyframeCount('rotation_offset') > 0;
        opacityOffsetSlider.value = filter.getDouble('opacity_offset', position);
        opacityOffsetKeyframes.checked = simple && filter.keyframeCount('opacity_offset') > 0;
        blockUpdate = false;
        enableControls(isSimpleKeyframesActive());
    }

    function enableControls(enabled) {
        shapeSize1Slider.enabled = enabled;
        shapeSize2Slider.enabled = enabled;
        shapeRotationSlider.enabled = enabled;
        shadowSizeSlider.enabled = enabled;
        shadowOpacitySlider.enabled = enabled;
        strokeSizeSlider.enabled = enabled;
        strokeOpacitySlider.enabled = enabled;
        instancesSlider.enabled = enabled;
        shapeSize1OffsetSlider.enabled = enabled;
        shapeSize2OffsetSlider.enabled = enabled;
        positionXOffsetSlider.enabled = enabled;
        positionYOffsetSlider.enabled = enabled;
        scaleXOffsetSlider.enabled = enabled;
        scaleYOffsetSlider.enabled = enabled;
        rotationOffsetSlider.enabled = enabled;
        opacityOffsetSlider.enabled = enabled;
    }

    function updateSimpleKeyframes() {
        updateFilter('shape_size_1', shapeSize1Slider.value, shapeSize1Keyframes, null);
        updateFilter('shape_size_2', shapeSize2Slider.value, shapeSize2Keyframes, null);
        updateFilter('shape_rotation', shapeRotationSlider.value, shapeRotationKeyframes, null);
        updateFilter('shadow_size', shadowSizeSlider.value, shadowSizeKeyframes, null);
        updateFilter('shadow_opacity', shadowOpacitySlider.value, shadowOpacityKeyframes, null);
        updateFilter('stroke_size', strokeSizeSlider.value, strokeSizeKeyframes, null);
        updateFilter('stroke_opacity', strokeOpacitySlider.value, strokeOpacityKeyframes, null);
        updateFilter('instances', instancesSlider.value, instancesKeyframes, null);
        updateFilter('shape_size_1_offset', shapeSize1OffsetSlider.value, shapeSize1OffsetKeyframes, null);
        updateFilter('shape_size_2_offset', shapeSize2OffsetSlider.value, shapeSize2OffsetKeyframes, null);
        updateFilter('position_x_offset', positionXOffsetSlider.value, positionXOffsetKeyframes, null);
        updateFilter('position_y_offset', positionYOffsetSlider.value, positionYOffsetKeyframes, null);
        updateFilter('scale_x_offset', scaleXOffsetSlider.value, scaleXOffsetKeyframes, null);
        updateFilter('scale_y_offset', scaleYOffsetSlider.value, scaleYOffsetKeyframes, null);
        updateFilter('rotation_offset', rotationOffsetSlider.value, rotationOffsetKeyframes, null);
        updateFilter('opacity_offset', opacityOffsetSlider.value, opacityOffsetKeyframes, null);
    }

    function setCenter() {
        filter.set('shape_center', Math.round(centerX.value) + ' ' + Math.round(centerY.value));
    }

    keyframableParameters: ['shape_size_1', 'shape_size_2', 'shape_rotation', 'shadow_size', 'shadow_opacity', 'stroke_size', 'stroke_opacity', 'instances', 'shape_size_1_offset', 'shape_size_2_offset', 'position_x_offset', 'position_y_offset', 'scale_x_offset', 'scale_y_offset', 'rotation_offset', 'opacity_offset']
    startValues: [300, 50, 0, 100, 40, 10, 100, 5, 0, 0, 0, 0, 10, 10, 0, 0]
    middleValues: [300, 50, 0, 100, 40, 10, 100, 5, 0, 0, 0, 0, 10, 10, 0, 0]
    endValues: [300, 50, 0, 100, 40, 10, 100, 5, 0, 0, 0, 0, 10, 10, 0, 0]
    width: 350
    height: grid.implicitHeight + 16
    Component.onCompleted: {
        if (filter.isNew) {
            filter.set('shape_type', 1);
            filter.set('shape_size_1', 300);
            filter.set('shape_size_2', 50);
            filter.set('shape_center', (profile.width / 2) + ' ' + (profile.height / 2));
            filter.set('shape_rotation', 0);
            filter.set('fill_type', 1);
            filter.set('transparent_background', 0);
            filter.set('edge_type', 1);
            filter.set('shadow_size', 100);
            filter.set('shadow_color', '#ff000000');
            filter.set('shadow_opacity', 40);
            filter.set('stroke_size', 10);
            filter.set('stroke_color', '#ff000000');
            filter.set('stroke_opacity', 100);
            filter.set('instances', 5);
            filter.set('shape_size_1_offset', 0);
            filter.set('shape_size_2_offset', 0);
            filter.set('position_x_offset', 0);
            filter.set('position_y_offset', 0);
            filter.set('scale_x_offset', 10);
            filter.set('scale_y_offset', 10);
            filter.set('rotation_offset', 0);
            filter.set('opacity_offset', 0);
            filter.savePreset(preset.parameters);
        }
        setControls();
    }

    GridLayout {
        id: grid

        anchors.fill: parent
        anchors.margins: 8
        columns: 4

        Label {
            text: qsTr('Preset')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.Preset {
            id: preset

            Layout.columnSpan: parent.columns - 1
            parameters: allParameters
            onBeforePresetLoaded: resetSimpleKeyframes()
            onPresetSelected: {
                setControls();
                initializeSimpleKeyframes();
            }
        }

        Label {
            text: qsTr('Shape Type')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.ComboBox {
            id: shapeTypeMenu

            model: [qsTr('Circle'), qsTr('Ring'), qsTr('Cross'), qsTr('Triangle'), qsTr('Rectangle'), qsTr('Hexagon'), qsTr('Octagon'), qsTr('T Shape')]
            onActivated: filter.set('shape_type', index + 1)
        }

        Shotcut.UndoButton {
            onClicked: {
                shapeTypeMenu.currentIndex = 0;
                filter.set('shape_type', 1);
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Shape Size 1')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shapeSize1Slider

            minimumValue: 0
            maximumValue: 2000
            decimals: 0
            suffix: qsTr(' px')
            onValueChanged: updateFilter('shape_size_1', value, shapeSize1Keyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shapeSize1Slider.value = 300
        }

        Shotcut.KeyframesButton {
            id: shapeSize1Keyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shape_size_1', shapeSize1Slider.value);
            }
        }

        Label {
            text: qsTr('Shape Size 2')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shapeSize2Slider

            minimumValue: 0
            maximumValue: 2000
            decimals: 0
            suffix: qsTr(' px')
            onValueChanged: updateFilter('shape_size_2', value, shapeSize2Keyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shapeSize2Slider.value = 50
        }

        Shotcut.KeyframesButton {
            id: shapeSize2Keyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shape_size_2', shapeSize2Slider.value);
            }
        }

        Label {
            text: qsTr('Shape Center X')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.DoubleSpinBox {
            id: centerX

            Layout.minimumWidth: 120
            from: -100000
            to: 100000
            decimals: 0
            suffix: qsTr(' px')
            onValueModified: setCenter()
        }

        Shotcut.UndoButton {
            onClicked: {
                centerX.value = profile.width / 2;
                setCenter();
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Shape Center Y')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.DoubleSpinBox {
            id: centerY

            Layout.minimumWidth: 120
            from: -100000
            to: 100000
            decimals: 0
            suffix: qsTr(' px')
            onValueModified: setCenter()
        }

        Shotcut.UndoButton {
            onClicked: {
                centerY.value = profile.height / 2;
                setCenter();
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Shape Rotation')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shapeRotationSlider

            minimumValue: -360
            maximumValue: 360
            decimals: 1
            suffix: qsTr(' °')
            onValueChanged: updateFilter('shape_rotation', value, shapeRotationKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shapeRotationSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: shapeRotationKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shape_rotation', shapeRotationSlider.value);
            }
        }

        Label {
            text: qsTr('Fill Type')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.ComboBox {
            id: fillTypeMenu

            model: [qsTr('Fill Outside'), qsTr('Fill Inside')]
            onActivated: filter.set('fill_type', index + 1)
        }

        Shotcut.UndoButton {
            onClicked: {
                fillTypeMenu.currentIndex = 0;
                filter.set('fill_type', 1);
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Transparent Background')
            Layout.alignment: Qt.AlignRight
        }
        CheckBox {
            id: transparentBackgroundCheck

            onClicked: filter.set('transparent_background', checked ? 1 : 0)
        }

        Shotcut.UndoButton {
            onClicked: {
                transparentBackgroundCheck.checked = false;
                filter.set('transparent_background', 0);
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Edge Type')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.ComboBox {
            id: edgeTypeMenu

            model: [qsTr('Shadow'), qsTr('Stroke')]
            onActivated: filter.set('edge_type', index + 1)
        }

        Shotcut.UndoButton {
            onClicked: {
                edgeTypeMenu.currentIndex = 0;
                filter.set('edge_type', 1);
            }
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Shadow Size')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shadowSizeSlider

            minimumValue: 0
            maximumValue: 1000
            decimals: 0
            suffix: qsTr(' px')
            onValueChanged: updateFilter('shadow_size', value, shadowSizeKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shadowSizeSlider.value = 100
        }

        Shotcut.KeyframesButton {
            id: shadowSizeKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shadow_size', shadowSizeSlider.value);
            }
        }

        Label {
            text: qsTr('Shadow Color')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.ColorPicker {
            id: shadowColorPicker

            alpha: true
            onValueChanged: if (!blockUpdate) filter.set('shadow_color', '' + value)
        }

        Shotcut.UndoButton {
            onClicked: shadowColorPicker.value = '#ff000000'
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Shadow Opacity')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shadowOpacitySlider

            minimumValue: 0
            maximumValue: 100
            decimals: 1
            suffix: qsTr(' %')
            onValueChanged: updateFilter('shadow_opacity', value, shadowOpacityKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shadowOpacitySlider.value = 40
        }

        Shotcut.KeyframesButton {
            id: shadowOpacityKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shadow_opacity', shadowOpacitySlider.value);
            }
        }

        Label {
            text: qsTr('Stroke Size')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: strokeSizeSlider

            minimumValue: 0
            maximumValue: 60
            decimals: 0
            suffix: qsTr(' px')
            onValueChanged: updateFilter('stroke_size', value, strokeSizeKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: strokeSizeSlider.value = 10
        }

        Shotcut.KeyframesButton {
            id: strokeSizeKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'stroke_size', strokeSizeSlider.value);
            }
        }

        Label {
            text: qsTr('Stroke Color')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.ColorPicker {
            id: strokeColorPicker

            alpha: true
            onValueChanged: if (!blockUpdate) filter.set('stroke_color', '' + value)
        }

        Shotcut.UndoButton {
            onClicked: strokeColorPicker.value = '#ff000000'
        }

        Item {
            width: 1
        }

        Label {
            text: qsTr('Stroke Opacity')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: strokeOpacitySlider

            minimumValue: 0
            maximumValue: 100
            decimals: 1
            suffix: qsTr(' %')
            onValueChanged: updateFilter('stroke_opacity', value, strokeOpacityKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: strokeOpacitySlider.value = 100
        }

        Shotcut.KeyframesButton {
            id: strokeOpacityKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'stroke_opacity', strokeOpacitySlider.value);
            }
        }

        Label {
            text: qsTr('Instances')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: instancesSlider

            minimumValue: 1
            maximumValue: 20
            decimals: 0
            suffix: qsTr('')
            onValueChanged: updateFilter('instances', value, instancesKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: instancesSlider.value = 5
        }

        Shotcut.KeyframesButton {
            id: instancesKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'instances', instancesSlider.value);
            }
        }

        Label {
            text: qsTr('Shape Size 1 Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shapeSize1OffsetSlider

            minimumValue: -1000
            maximumValue: 1000
            decimals: 1
            suffix: qsTr(' px')
            onValueChanged: updateFilter('shape_size_1_offset', value, shapeSize1OffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shapeSize1OffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: shapeSize1OffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shape_size_1_offset', shapeSize1OffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Shape Size 2 Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: shapeSize2OffsetSlider

            minimumValue: -1000
            maximumValue: 1000
            decimals: 1
            suffix: qsTr(' px')
            onValueChanged: updateFilter('shape_size_2_offset', value, shapeSize2OffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: shapeSize2OffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: shapeSize2OffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'shape_size_2_offset', shapeSize2OffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Position X Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: positionXOffsetSlider

            minimumValue: -2000
            maximumValue: 2000
            decimals: 1
            suffix: qsTr(' px')
            onValueChanged: updateFilter('position_x_offset', value, positionXOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: positionXOffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: positionXOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'position_x_offset', positionXOffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Position Y Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: positionYOffsetSlider

            minimumValue: -2000
            maximumValue: 2000
            decimals: 1
            suffix: qsTr(' px')
            onValueChanged: updateFilter('position_y_offset', value, positionYOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: positionYOffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: positionYOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'position_y_offset', positionYOffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Scale X Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: scaleXOffsetSlider

            minimumValue: -200
            maximumValue: 200
            decimals: 1
            suffix: qsTr(' %')
            onValueChanged: updateFilter('scale_x_offset', value, scaleXOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: scaleXOffsetSlider.value = 10
        }

        Shotcut.KeyframesButton {
            id: scaleXOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'scale_x_offset', scaleXOffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Scale Y Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: scaleYOffsetSlider

            minimumValue: -200
            maximumValue: 200
            decimals: 1
            suffix: qsTr(' %')
            onValueChanged: updateFilter('scale_y_offset', value, scaleYOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: scaleYOffsetSlider.value = 10
        }

        Shotcut.KeyframesButton {
            id: scaleYOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'scale_y_offset', scaleYOffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Rotation Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: rotationOffsetSlider

            minimumValue: -360
            maximumValue: 360
            decimals: 1
            suffix: qsTr(' °')
            onValueChanged: updateFilter('rotation_offset', value, rotationOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: rotationOffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: rotationOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'rotation_offset', rotationOffsetSlider.value);
            }
        }

        Label {
            text: qsTr('Opacity Offset')
            Layout.alignment: Qt.AlignRight
        }
        Shotcut.SliderSpinner {
            id: opacityOffsetSlider

            minimumValue: 0
            maximumValue: 100
            decimals: 1
            suffix: qsTr(' %')
            onValueChanged: updateFilter('opacity_offset', value, opacityOffsetKeyframes, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: opacityOffsetSlider.value = 0
        }

        Shotcut.KeyframesButton {
            id: opacityOffsetKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, 'opacity_offset', opacityOffsetSlider.value);
            }
        }

        Item {
            Layout.fillHeight: true
        }
    }

    Connections {
        function onChanged() {
            setControls();
        }

        function onInChanged() {
            updateSimpleKeyframes();
        }

        function onOutChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateInChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateOutChanged() {
            updateSimpleKeyframes();
        }

        function onPropertyChanged(name) {
            setControls();
        }

        target: filter
    }

    Connections {
        function onPositionChanged() {
            setControls();
        }

        target: producer
    }
}
