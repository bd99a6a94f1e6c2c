#pragma once
// The parameter list as `tessory params` prints it: a table for people, JSON for programs.
#include <string>
#include <vector>

#include "params/ParamInfo.h"

namespace Corvane::Tessory::Cli {

class ParamListing {
  public:
    explicit ParamListing(std::vector<ParamInfo> params) : mParams(std::move(params)) {}

    std::string text() const;
    std::string json() const;  // an array of objects, one per position, the layer included

  private:
    std::vector<ParamInfo> mParams;
};

}  // namespace Corvane::Tessory::Cli
