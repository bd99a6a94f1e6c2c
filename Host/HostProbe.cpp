#include "Host/HostProbe.h"

#include <algorithm>

#include "Host/HostApp.h"
#include "Host/HostError.h"

namespace Corvane::Tessory::Host {

HostProbe::HostProbe(HostApp& host) : mHost(host) {
    mHost.setObserver(this);
}

HostProbe::~HostProbe() {
    if (mHost.observer() == this) mHost.setObserver(nullptr);
}

void HostProbe::withholdSuite(const std::string& name) {
    std::lock_guard lock(mMutex);
    mWithheld.insert(name);
}

void HostProbe::nullSuite(const std::string& name) {
    std::lock_guard lock(mMutex);
    mNulled.insert(name);
}

void HostProbe::failCall(const std::string& call, int nth, A_Err error) {
    if (nth < 1) throw HostError("failCall: nth must be 1 or more");
    std::lock_guard lock(mMutex);
    mFaults.push_back(Fault{call, nth, error});
}

void HostProbe::clearFaults() {
    std::lock_guard lock(mMutex);
    mFaults.clear();
    mWithheld.clear();
    mNulled.clear();
}

int HostProbe::countCalls(std::string_view prefix) const {
    std::lock_guard lock(mMutex);
    return static_cast<int>(std::count_if(mCalls.begin(), mCalls.end(), [&](const std::string& c) {
        return std::string_view(c).substr(0, prefix.size()) == prefix;
    }));
}

void HostProbe::clearCalls() {
    std::lock_guard lock(mMutex);
    mCalls.clear();
}

void HostProbe::clearMessages() {
    std::lock_guard lock(mMutex);
    mMessages.clear();
}

int HostProbe::outstandingSuites() const {
    return mHost.liveObjects().suites;
}
int HostProbe::liveHandles() const {
    return mHost.liveObjects().handles;
}
int HostProbe::liveMemHandles() const {
    return mHost.liveObjects().memHandles;
}
int HostProbe::liveEffectHandles() const {
    return mHost.liveObjects().effectHandles;
}
int HostProbe::liveStreamHandles() const {
    return mHost.liveObjects().streamHandles;
}
int HostProbe::liveBlocks() const {
    return mHost.liveObjects().blocks;
}

void HostProbe::called(std::string line) {
    std::lock_guard lock(mMutex);
    mCalls.push_back(std::move(line));
}

bool HostProbe::fails(std::string_view call, A_Err* error) {
    std::lock_guard lock(mMutex);
    bool fails = false;
    for (auto it = mFaults.begin(); it != mFaults.end();) {
        if (it->call == call && --it->remaining == 0) {
            if (!fails && error) *error = it->error;
            fails = true;
            it = mFaults.erase(it);
        } else {
            ++it;
        }
    }
    return fails;
}

HostObserver::SuiteAnswer HostProbe::suite(std::string_view name) {
    std::lock_guard lock(mMutex);
    if (mWithheld.find(name) != mWithheld.end()) return SuiteAnswer::Missing;
    if (mNulled.find(name) != mNulled.end()) return SuiteAnswer::NullTable;
    return SuiteAnswer::Offered;
}

void HostProbe::shown(std::string text) {
    std::lock_guard lock(mMutex);
    mMessages.push_back(std::move(text));
}

}  // namespace Corvane::Tessory::Host
