// TimerTest.cpp - the 32 automatic timer ids.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "common/BoxWatcher.h"
#include "wcls/Timer.h"

TEST(SetTimerEx, ThirtyTwoAutomaticIdsThenARefusalAndFreedIdsComeBack)
{
    UseLibrary();
    BoxWatcher boxes;
    auto plain = [] { return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr); };
    HWND a = plain(), b = plain();
    // Even ids on a, odd ids on b: the ids are counted over all windows.
    for (UINT_PTR i = 0; i < 32; ++i) EXPECT_EQ(65500 + i, SetTimerEx(i % 2 ? b : a, 0, 60000, nullptr));
    EXPECT_EQ(0u, SetTimerEx(a, 0, 60000, nullptr));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("タイマーが足りません"));

    EXPECT_TRUE(KillTimerEx(b, 65507));
    EXPECT_TRUE(KillTimerEx(a, 65502));
    EXPECT_EQ(65502u, SetTimerEx(b, 0, 10, nullptr));  // the lowest free id
    MSG msg;  // the automatic timer runs under its id
    bool fired = false;
    for (DWORD start = GetTickCount(); !fired && GetTickCount() - start < 5000;)
        fired = GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.hwnd == b && msg.message == WM_TIMER && msg.wParam == 65502;
    EXPECT_TRUE(fired);
    EXPECT_TRUE(KillTimerEx(a, 0));  // nothing to do

    // The window went first: KillTimer fails and is reported; the id is free all the same.
    HWND gone = plain();
    UINT_PTR id = SetTimerEx(gone, 0, 60000, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(KillTimerEx(gone, id));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_NE(std::string::npos, boxes.Boxes()[1].text.find("KillTimer : 無効なＩＤ"));
    EXPECT_EQ(65507u, SetTimerEx(a, 0, 60000, nullptr));

    for (UINT_PTR i = 0; i < 32; ++i) EXPECT_TRUE(KillTimerEx((i % 2 && i != 7) || i == 2 ? b : a, 65500 + i)) << i;
    EXPECT_EQ(2u, boxes.Boxes().size());
    DestroyWindow(a);
    DestroyWindow(b);
}
