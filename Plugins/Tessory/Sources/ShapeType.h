// The shapes the effect draws, by the value the "Shape Type" menu stores: the menu's
// choices are 1-based and in this order. Chevron follows the menu's last choice: the shape
// library has it, the menu does not offer it, and only a stored value reaches it.
#pragma once

namespace Corvane::Tessory {

enum class ShapeType : int {
    Circle = 1,
    Ring,
    Cross,
    Triangle,
    Rectangle,
    Hexagon,
    Octagon,
    TShape,
    Chevron,
};

constexpr ShapeType kLastOfferedShape = ShapeType::TShape;
constexpr ShapeType kLastShape = ShapeType::Chevron;

/// Whether value names a shape with a body; any other value draws nothing.
constexpr bool isShape(int value) {
    return value >= static_cast<int>(ShapeType::Circle) && value <= static_cast<int>(kLastShape);
}

}  // namespace Corvane::Tessory
