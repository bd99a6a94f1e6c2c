// The PF handle suite: lock, resize, dispose.
#include <cstring>

#include "HostFixture.h"

namespace Corvane::Tessory::Host::Testing {
namespace {

TEST(Memory, PfHandlesLockResizeAndDispose) {
    HostApp host;
    HostProbe probe{host};
    const void* table = nullptr;
    host.basicSuite()->AcquireSuite(kPFHandleSuite, 2, &table);
    auto* handles = static_cast<const PF_HandleSuite1*>(table);
    PF_Handle h = handles->host_new_handle(10);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(handles->host_get_handle_size(h), 10u);
    auto* data = static_cast<char*>(handles->host_lock_handle(h));
    ASSERT_NE(data, nullptr);
    std::memcpy(data, "0123456789", 10);
    // A locked handle cannot move.
    EXPECT_NE(handles->host_resize_handle(1000, &h), PF_Err_NONE);
    handles->host_unlock_handle(h);
    ASSERT_EQ(handles->host_resize_handle(1000, &h), PF_Err_NONE);
    EXPECT_EQ(handles->host_get_handle_size(h), 1000u);
    data = static_cast<char*>(handles->host_lock_handle(h));
    EXPECT_EQ(std::memcmp(data, "0123456789", 10), 0);
    handles->host_unlock_handle(h);
    EXPECT_EQ(probe.liveHandles(), 1);
    handles->host_dispose_handle(h);
    EXPECT_EQ(probe.liveHandles(), 0);
    EXPECT_EQ(handles->host_lock_handle(h), nullptr);  // gone
    host.basicSuite()->ReleaseSuite(kPFHandleSuite, 2);
}

}  // namespace
}  // namespace Corvane::Tessory::Host::Testing
