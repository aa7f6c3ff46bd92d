// TimerTest.cpp - the 32 automatic timer ids.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "common/BoxWatcher.h"
#include "wcls/Timer.h"

TEST(SetTimerEx, ThirtyTwoAutomaticIdsThenARefusalAndFreedIdsComeBack)
{
    UseLibrary();
    BoxWatcher boxes;
    HWND a = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    // Even ids on a, odd ids on b: the ids are counted over all windows.
    for (UINT_PTR i = 0; i < 32; ++i) EXPECT_EQ(65500 + i, SetTimerEx(i % 2 ? b : a, 0, 60000, nullptr));

    EXPECT_EQ(0u, SetTimerEx(a, 0, 60000, nullptr));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("タイマーが足りません"));

    EXPECT_TRUE(KillTimerEx(b, 65507));
    EXPECT_TRUE(KillTimerEx(a, 65502));
    EXPECT_EQ(65502u, SetTimerEx(b, 0, 10, nullptr));  // the lowest free id
    EXPECT_EQ(65507u, SetTimerEx(a, 0, 60000, nullptr));

    // The automatic timer runs under its id.
    MSG msg;
    DWORD start = GetTickCount();
    bool fired = false;
    while (!fired && GetTickCount() - start < 5000)
        if (GetMessageA(&msg, nullptr, 0, 0) > 0)
            fired = msg.hwnd == b && msg.message == WM_TIMER && msg.wParam == 65502;
    EXPECT_TRUE(fired);

    EXPECT_TRUE(KillTimerEx(a, 0));  // nothing to do
    // A timer that does not run is reported and keeps its id in use.
    EXPECT_FALSE(KillTimerEx(b, 65507));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_NE(std::string::npos, boxes.Boxes()[1].text.find("KillTimer : 無効なＩＤ"));

    for (UINT_PTR i = 0; i < 32; ++i) {
        HWND owner = (i % 2) ? b : a;
        if (i == 2) owner = b;
        if (i == 7) owner = a;
        EXPECT_TRUE(KillTimerEx(owner, 65500 + i)) << i;
    }
    EXPECT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(65500u, SetTimerEx(a, 0, 60000, nullptr));
    EXPECT_TRUE(KillTimerEx(a, 65500));
    DestroyWindow(a);
    DestroyWindow(b);
}
