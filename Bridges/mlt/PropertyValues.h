// The effect's parameters as MLT properties of the same names, in the effect's own units:
// checks what a project or a command line wrote there, and reads each value at a frame's
// position through MLT's own keyframe animation.
#pragma once

#include <framework/mlt.h>

#include <map>
#include <string>
#include <vector>

#include "Host/Param.h"
#include "params/ParamParser.h"

namespace Corvane::Tessory::Mlt {

class PropertyValues {
  public:
    /// The effect's registered list; only parameters that take a value become properties.
    explicit PropertyValues(const std::vector<Cli::ParamInfo>& registered);

    struct Frame {
        int position = 0;  ///< the frame's position in the filter
        int length = 0;    ///< the filter's length, for keyframes counted from its end
        int profileWidth = 0;
        int profileHeight = 0;
    };

    /// Every parameter's value at that position, by its position in the effect's list.
    /// A parameter is read under its own name, else under its alias. Unset properties take the
    /// effect's default (Shape Center: the profile's centre). A number out of range is clamped; a
    /// text that is not a value for its parameter, or a malformed keyframe string, leaves the
    /// default. Each such problem adds one line to messages the first time its text is seen. Call
    /// with the filter's service locked: MLT caches each property's animation in the property
    /// itself.
    std::vector<std::pair<int, Host::ParamValue>> at(mlt_properties properties, const Frame& frame,
                                                     std::vector<std::string>& messages);

    const std::vector<Cli::ParamInfo>& params() const { return mParser.params(); }

  private:
    /// Whether text (plain or keyframed) is usable for the parameter; a message if not,
    /// or if a number in it is out of range.
    bool check(const Cli::ParamInfo& param, const std::string& text, std::string& message) const;
    /// The value of the property of that name (the parameter's or its alias).
    Host::ParamValue valueAt(const Cli::ParamInfo& param, const char* name,
                             mlt_properties properties, const Frame& frame) const;
    Host::ParamValue defaultValue(const Cli::ParamInfo& param, const Frame& frame) const;

    Cli::ParamParser mParser;
    /// Per parameter of mParser, in its order: ParamInfo::key(). MLT passes lists of property
    /// names split at spaces (Shotcut's presets do), so a property is also read under it.
    std::vector<std::string> mAliases;
    /// The last text checked per parameter name, and whether it was usable.
    std::map<std::string, std::pair<std::string, bool>> mChecked;
};

/// Kdenlive writes colours as 0xRRGGBBAA; the effect's own texts are #RRGGBB and #AARRGGBB.
std::string colourText(const std::string& text);

}  // namespace Corvane::Tessory::Mlt
