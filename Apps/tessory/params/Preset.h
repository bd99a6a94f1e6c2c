#pragma once
// A JSON file of parameter settings: {"Shape Type": "Hexagon", "Instances": 8,
// "Shape Size 1": [[0, 100], [2.5, 400]]}. A list of [seconds, value] pairs animates a
// parameter; the host interpolates between the keys at each frame's time.
#include <string>
#include <vector>

#include "params/ParamInfo.h"

namespace Corvane::Tessory::Cli {

class ParamParser;

class Preset {
  public:
    /// The largest preset file: a preset of every parameter with a few hundred keys each
    /// stays far below it.
    static constexpr size_t kMaxBytes = 1024 * 1024;

    struct Entry {
        int index = 0;  // parameter position
        std::string name;
        bool animated = false;
        ParamValue value{};          // when not animated
        std::vector<Keyframe> keys;  // when animated, in time order
    };

    // Throws InputError naming source and the problem.
    static Preset parse(const std::string& json, const ParamParser& parser,
                        const std::string& source);
    /// Refuses files over kMaxBytes without reading them whole.
    static Preset load(const std::string& path, const ParamParser& parser);

    const std::vector<Entry>& entries() const { return mEntries; }

  private:
    std::vector<Entry> mEntries;
};

}  // namespace Corvane::Tessory::Cli
