// AEGP effect and stream handles with their dynamic flags, parameter UI updates, and the
// memory and handle suites.
#include <cstring>

#include "HostFixture.h"

namespace Corvane::Tessory::Host::Testing {
namespace {

class Streams : public HostFixture {};

TEST_F(Streams, HiddenFlagIsStoredPerParameterAndHandlesAreCounted) {
    ASSERT_EQ(registerParams({slider("A", 1), slider("B", 2)}), PF_Err_NONE);
    AEGP_StreamRefH kept = nullptr;
    EXPECT_EQ(inCommand([&](const Command& c) -> PF_Err {
                  auto* pfi = c.suite<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, 1);
                  auto* streams = c.suite<AEGP_StreamSuite2>(kAEGPStreamSuite, 7);
                  auto* dyn = c.suite<AEGP_DynamicStreamSuite2>(kAEGPDynamicStreamSuite, 2);
                  auto* effects = c.suite<AEGP_EffectSuite2>(kAEGPEffectSuite, 2);
                  AEGP_EffectRefH fx = nullptr;
                  EXPECT_EQ(pfi->AEGP_GetNewEffectForEffect(0, c.in->effect_ref, &fx), A_Err_NONE);
                  EXPECT_EQ(probe.liveEffectHandles(), 1);
                  AEGP_StreamRefH s = nullptr;
                  EXPECT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, fx, 2, &s), A_Err_NONE);
                  AEGP_DynStreamFlags flags = -1;
                  EXPECT_EQ(dyn->AEGP_GetDynamicStreamFlags(s, &flags), A_Err_NONE);
                  EXPECT_EQ(flags, 0);
                  EXPECT_EQ(
                      dyn->AEGP_SetDynamicStreamFlag(s, AEGP_DynStreamFlag_HIDDEN, false, true),
                      A_Err_NONE);
                  EXPECT_EQ(dyn->AEGP_GetDynamicStreamFlags(s, &flags), A_Err_NONE);
                  EXPECT_EQ(flags, AEGP_DynStreamFlag_HIDDEN);
                  // Two flags at once are refused.
                  EXPECT_NE(dyn->AEGP_SetDynamicStreamFlag(s, 3, false, true), A_Err_NONE);
                  EXPECT_EQ(streams->AEGP_DisposeStream(s), A_Err_NONE);
                  // A position outside the list has no stream.
                  AEGP_StreamRefH none = reinterpret_cast<AEGP_StreamRefH>(&flags);
                  EXPECT_NE(streams->AEGP_GetNewEffectStreamByIndex(0, fx, 3, &none), A_Err_NONE);
                  EXPECT_EQ(none, nullptr);
                  // One stream is left undisposed on purpose.
                  EXPECT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, fx, 1, &kept), A_Err_NONE);
                  EXPECT_EQ(effects->AEGP_DisposeEffect(fx), A_Err_NONE);
                  EXPECT_NE(effects->AEGP_DisposeEffect(fx), A_Err_NONE);  // twice
                  c.release(kAEGPEffectSuite, 2);
                  c.release(kAEGPDynamicStreamSuite, 2);
                  c.release(kAEGPStreamSuite, 7);
                  c.release(kAEGPPFInterfaceSuite, 1);
                  return PF_Err_NONE;
              }),
              PF_Err_NONE);
    EXPECT_EQ(effect.params()[2].streamFlags, AEGP_DynStreamFlag_HIDDEN);
    EXPECT_EQ(effect.params()[1].streamFlags, 0);
    EXPECT_EQ(probe.countCalls("AEGP_SetDynamicStreamFlag 2 2 1"), 1);
    EXPECT_EQ(probe.liveEffectHandles(), 0);
    EXPECT_EQ(probe.liveStreamHandles(), 1);
    EXPECT_NE(kept, nullptr);
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST(Memory, MemHandlesAreRealAndCounted) {
    HostApp host;
    HostProbe probe{host};
    const void* table = nullptr;
    host.basicSuite()->AcquireSuite(kAEGPMemorySuite, 1, &table);
    auto* memory = static_cast<const AEGP_MemorySuite1*>(table);
    AEGP_MemHandle cleared = nullptr, plain = nullptr;
    ASSERT_EQ(memory->AEGP_NewMemHandle(0, "cleared", 64, AEGP_MemFlag_CLEAR, &cleared),
              A_Err_NONE);
    ASSERT_EQ(memory->AEGP_NewMemHandle(0, "plain", 16, AEGP_MemFlag_NONE, &plain), A_Err_NONE);
    EXPECT_EQ(probe.liveMemHandles(), 2);
    void* bytes = nullptr;
    ASSERT_EQ(memory->AEGP_LockMemHandle(cleared, &bytes), A_Err_NONE);
    const unsigned char zeros[64] = {};
    EXPECT_EQ(std::memcmp(bytes, zeros, 64), 0);
    std::memset(bytes, 7, 64);  // all of it is writable
    AEGP_MemSize size = 0;
    EXPECT_EQ(memory->AEGP_GetMemHandleSize(plain, &size), A_Err_NONE);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(memory->AEGP_UnlockMemHandle(cleared), A_Err_NONE);
    EXPECT_NE(memory->AEGP_UnlockMemHandle(cleared), A_Err_NONE);  // not locked any more
    // Freeing a locked handle is allowed.
    ASSERT_EQ(memory->AEGP_LockMemHandle(plain, &bytes), A_Err_NONE);
    EXPECT_EQ(memory->AEGP_FreeMemHandle(plain), A_Err_NONE);
    EXPECT_EQ(memory->AEGP_FreeMemHandle(cleared), A_Err_NONE);
    EXPECT_NE(memory->AEGP_FreeMemHandle(cleared), A_Err_NONE);  // twice
    EXPECT_EQ(probe.liveMemHandles(), 0);
    host.basicSuite()->ReleaseSuite(kAEGPMemorySuite, 1);
}

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
