// The effect's parameters as an OBS source's settings: one key per value under the
// parameter's key ("shape_size_1"), a point as two ("shape_center_x", "shape_center_y"),
// colours as OBS colour integers (0xAABBGGRR) and everything else in the effect's own units.
// The table is built from the effect's registration, so names, ranges and defaults are
// declared once, in the effect.
#pragma once

#include <obs-module.h>

#include <string>
#include <utility>
#include <vector>

#include "Host/Param.h"
#include "params/ParamInfo.h"

namespace Corvane::Tessory::Obs {

class ObsSettings {
  public:
    /// registered: the effect's list as ParamInfo::listOf gives it (layer and group markers
    /// included: the groups become the dialog's groups).
    explicit ObsSettings(std::vector<Cli::ParamInfo> registered);

    /// Every parameter's value for a frame of that size, by its position in the effect's
    /// list: a point's coordinates without a user value follow the frame (its default is
    /// per cent of the layer).
    struct Values {
        std::vector<std::pair<int, Host::ParamValue>> values;
        struct Follow {
            size_t value;  ///< position in values
            int axis;      ///< 0 x, 1 y
            double percent;
        };
        std::vector<Follow> follow;
        std::vector<std::pair<int, Host::ParamValue>> at(int width, int height) const;
    };

    /// Reads settings as a scene collection left them. A number out of its valid range is
    /// clamped to it; a value of the wrong type, or not a number, takes the default. Each such
    /// problem adds a line to messages.
    Values read(obs_data_t* settings, std::vector<std::string>& messages) const;

    /// The defaults: the effect's own. Points are left unset, so that they follow the
    /// source's size.
    void setDefaults(obs_data_t* settings) const;

    /// The properties dialog: popups as lists, colours as colour pickers, sliders with the
    /// effect's slider range (the valid range, which a typed or stored value may use, in the
    /// tooltip), the effect's groups as groups. The property of each parameter in controls
    /// gets modified as its modified callback.
    using Modified = bool (*)(void* priv, obs_properties_t*, obs_property_t*, obs_data_t*);
    obs_properties_t* properties(const std::vector<int>& controls, Modified modified,
                                 void* priv) const;

    /// Shows the properties of the parameters in shown and hides the others.
    void applyVisibility(obs_properties_t* props, const std::vector<bool>& shownByIndex) const;

    /// The keys of a parameter: one, or two for a point.
    std::vector<std::string> keysOf(const Cli::ParamInfo& param) const;
    const std::vector<Cli::ParamInfo>& params() const { return mParams; }

    /// OBS colour integers (0xAABBGGRR) and the effect's colours (alpha, red, green, blue).
    static Host::ParamValue colourFromObs(long long obsColour);
    static long long colourToObs(const Host::ParamValue& colour);

  private:
    Host::ParamValue readOne(obs_data_t* settings, const Cli::ParamInfo& param,
                             std::vector<std::string>& messages) const;

    std::vector<Cli::ParamInfo> mParams;
};

}  // namespace Corvane::Tessory::Obs
