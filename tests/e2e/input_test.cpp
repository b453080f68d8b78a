// The driver's own input, as the program receives it: a drag made while the machine is busy
// presses where its pointer was put and releases where it ended, every time. (Presses sent with
// SendInput while the X pointer was still on its way arrived at a later point of the drag.)
#include "E2eTest.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using kvdrive::WaitFor;

// A topmost window of the test process that keeps where its button messages arrived.
class Recorder {
public:
    Recorder(int x, int y, int w, int h) {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvTestInputRecorder";
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            return RegisterClassW(&wc);
        }();
        (void)cls;
        m_hwnd = CreateWindowExW(WS_EX_TOPMOST, L"KvTestInputRecorder", L"Karvo 输入", WS_POPUP | WS_VISIBLE, x, y, w, h,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        UpdateWindow(m_hwnd);
    }
    ~Recorder() { DestroyWindow(m_hwnd); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    HWND hwnd() const { return m_hwnd; }
    struct Event {
        UINT msg;
        POINT at;  // screen coordinates, from the message
    };
    std::vector<Event> events;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP)) {
            POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
            ClientToScreen(h, &p);
            self->events.push_back({msg, p});
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
    HWND m_hwnd;
};

// Two threads that keep both cores busy while they live.
class Load {
public:
    Load() {
        for (int i = 0; i < 2; ++i)
            m_threads.emplace_back([this] {
                volatile unsigned x = 0;
                while (!m_stop) x = x * 1664525u + 1013904223u;
            });
    }
    ~Load() {
        m_stop = true;
        for (std::thread& t : m_threads) t.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

TEST(Input, DragsPressAndReleaseWhereThePointerWas) {
    Recorder rec(300, 150, 700, 500);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(rec.hwnd()) != 0; }));
    int wrong = 0;
    {
        Load load;
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE(round);
            rec.events.clear();
            const int x0 = 340 + round * 7, y0 = 190 + round * 5, x1 = x0 + 100 + round * 3, y1 = y0 + 90 + round * 2;
            kvdrive::Drag(x0, y0, x1, y1);
            ASSERT_TRUE(WaitFor([&] { return rec.events.size() >= 2; }));
            const Recorder::Event& down = rec.events.front();
            const Recorder::Event& up = rec.events.back();
            EXPECT_EQ(down.msg, UINT(WM_LBUTTONDOWN));
            EXPECT_EQ(up.msg, UINT(WM_LBUTTONUP));
            const bool ok = down.at.x == x0 && down.at.y == y0 && up.at.x == x1 && up.at.y == y1;
            wrong += !ok;
            EXPECT_TRUE(ok) << "pressed at " << down.at.x << "," << down.at.y << " (put at " << x0 << "," << y0
                            << "), released at " << up.at.x << "," << up.at.y << " (ended at " << x1 << "," << y1
                            << ")";
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
