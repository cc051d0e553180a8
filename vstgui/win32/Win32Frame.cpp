// The Win32 window of a frame: a child of the host's window, painted from the
// frame's back buffer. Its messages arrive through the host's message loop on
// the UI thread; a timer of its own runs the editor's idle, because not every
// Windows host calls effEditIdle often.
#include "COptionMenu.h"
#include "PlatformFrame.h"
#include "WideText.h"
#include "gdiplus/GdiplusSession.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace VSTGUI {

namespace {

constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 25;
// Long menus (the preset list) open in columns instead of scrolling.
constexpr int32_t kMenuRowsPerColumn = 32;
const wchar_t kWindowClass[] = L"VeskEditorFrame";

HINSTANCE ownModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}

// Menus show '&' as the next letter's underline unless doubled.
std::wstring menuText(const std::string& text)
{
    std::wstring shown;
    for (wchar_t c : widen(text)) {
        shown.push_back(c);
        if (c == L'&')
            shown.push_back(L'&');
    }
    return shown;
}

class Win32Frame : public IPlatformFrame {
public:
    Win32Frame(CFrame* owner, HWND parent, std::function<void()> idle) : frame(owner), tick(std::move(idle))
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = ownModule();
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kWindowClass;
        // Already registered while another editor of this module is open.
        RegisterClassExW(&windowClass);
        const double scale = frame->getScale();
        window = CreateWindowExW(0, kWindowClass, L"Vesk", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                 int(std::lround(frame->getViewSize().getWidth() * scale)),
                                 int(std::lround(frame->getViewSize().getHeight() * scale)), parent, nullptr,
                                 ownModule(), this);
        if (window)
            SetTimer(window, kIdleTimer, kIdleMilliseconds, nullptr);
    }

    ~Win32Frame() override
    {
        *alive = false;
        if (window) {
            KillTimer(window, kIdleTimer);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        // The class names our window procedure: it must not outlive the
        // module. This fails, as it should, while another editor is open.
        UnregisterClassW(kWindowClass, ownModule());
    }

    bool isValid() const { return window != nullptr; }

    void present(const CRect& rect) override
    {
        const double scale = frame->getScale();
        const RECT area{LONG(std::floor(rect.left * scale)), LONG(std::floor(rect.top * scale)),
                        LONG(std::ceil(rect.right * scale)) + 1, LONG(std::ceil(rect.bottom * scale)) + 1};
        InvalidateRect(window, &area, FALSE);
        UpdateWindow(window);
    }

    // Messages come through the host's own loop.
    void pollEvents() override {}

    bool popupMenu(COptionMenu* menu, const CRect& anchor) override
    {
        std::vector<std::pair<COptionMenu*, int32_t>> commands;
        HMENU handle = buildMenu(menu, commands);
        const double scale = frame->getScale();
        POINT where{LONG(std::lround(anchor.left * scale)), LONG(std::lround(anchor.bottom * scale))};
        ClientToScreen(window, &where);
        const auto chosen = size_t(TrackPopupMenu(handle, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, where.x,
                                                  where.y, 0, window, nullptr));
        DestroyMenu(handle);
        if (chosen > 0 && chosen <= commands.size())
            commands[chosen - 1].first->choose(commands[chosen - 1].second);
        return true;
    }

private:
    // Command ids are indices into `commands` plus one; 0 means no choice.
    static HMENU buildMenu(COptionMenu* menu, std::vector<std::pair<COptionMenu*, int32_t>>& commands)
    {
        HMENU handle = CreatePopupMenu();
        const int32_t current = menu->getCurrentIndex();
        for (int32_t row = 0; row < menu->getNbEntries(); ++row) {
            const COptionMenu::Entry& entry = menu->getEntry(row);
            const UINT column = row > 0 && row % kMenuRowsPerColumn == 0 ? MF_MENUBARBREAK : 0;
            if (entry.separator) {
                AppendMenuW(handle, MF_SEPARATOR | column, 0, nullptr);
                continue;
            }
            if (entry.groupStart && row > 0 && !column)
                AppendMenuW(handle, MF_SEPARATOR, 0, nullptr);
            const std::wstring text = menuText(entry.text);
            if (entry.subMenu) {
                AppendMenuW(handle, MF_POPUP | MF_STRING | column,
                            reinterpret_cast<UINT_PTR>(buildMenu(entry.subMenu.get(), commands)), text.c_str());
            } else if (!menu->isSelectable(row)) {
                AppendMenuW(handle, MF_STRING | MF_GRAYED | column, 0, text.c_str());
            } else {
                commands.emplace_back(menu, row);
                AppendMenuW(handle, MF_STRING | column | (row == current ? MF_CHECKED : 0), commands.size(),
                            text.c_str());
            }
        }
        return handle;
    }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<Win32Frame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        LRESULT result = 0;
        if (self && self->handle(message, wParam, lParam, result))
            return result;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    CPoint panelPoint(LPARAM lParam) const
    {
        return {GET_X_LPARAM(lParam) / frame->getScale(), GET_Y_LPARAM(lParam) / frame->getScale()};
    }

    static int32_t modifiers(WPARAM keys)
    {
        int32_t buttons = 0;
        if (keys & MK_SHIFT)
            buttons |= kShift;
        if (keys & MK_CONTROL)
            buttons |= kControl;
        if (GetKeyState(VK_MENU) < 0)
            buttons |= kAlt;
        if (keys & MK_LBUTTON)
            buttons |= kLButton;
        if (keys & MK_RBUTTON)
            buttons |= kRButton;
        if (keys & MK_MBUTTON)
            buttons |= kMButton;
        return buttons;
    }

    static int32_t withButton(WPARAM keys, int32_t button) { return (modifiers(keys) & ~kAllButtons) | button; }

    void mouseDown(WPARAM wParam, LPARAM lParam, int32_t buttons)
    {
        SetCapture(window);
        frame->onMouseDownEvent(panelPoint(lParam), withButton(wParam, buttons));
        // Typing reaches a child window only when it has the focus.
        if (frame->getFocusView())
            SetFocus(window);
    }

    void mouseUp(WPARAM wParam, LPARAM lParam, int32_t button)
    {
        if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
            ReleaseCapture();
        frame->onMouseUpEvent(panelPoint(lParam), withButton(wParam, button));
    }

    void paint()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        const CBackBuffer& buffer = frame->getBackBuffer();
        const RECT& r = ps.rcPaint;
        const Gdiplus::Rect area(r.left, r.top, std::min<int>(r.right, buffer.getWidth()) - r.left,
                                 std::min<int>(r.bottom, buffer.getHeight()) - r.top);
        Gdiplus::BitmapData pixels{};
        if (area.Width > 0 && area.Height > 0 &&
            buffer.getImage()->LockBits(&area, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &pixels) ==
                Gdiplus::Ok) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = pixels.Stride / 4;
            info.bmiHeader.biHeight = -INT(pixels.Height); // top row first
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            SetDIBitsToDevice(dc, area.X, area.Y, pixels.Width, pixels.Height, 0, 0, 0, pixels.Height, pixels.Scan0,
                              &info, DIB_RGB_COLORS);
            buffer.getImage()->UnlockBits(&pixels);
        }
        EndPaint(window, &ps);
    }

    // The editor's idle may open a modal dialog whose loop brings this timer
    // back; it is not entered twice. The host may even close the editor from
    // that loop, destroying this object under the call.
    void runIdle()
    {
        if (idling)
            return;
        idling = true;
        const std::shared_ptr<bool> stillAlive = alive;
        tick();
        if (*stillAlive)
            idling = false;
    }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        switch (message) {
        case WM_PAINT:
            paint();
            return true;
        case WM_ERASEBKGND:
            result = 1; // the back buffer covers everything
            return true;
        case WM_TIMER:
            if (wParam != kIdleTimer)
                return false;
            runIdle();
            return true;
        case WM_LBUTTONDOWN:
            mouseDown(wParam, lParam, kLButton);
            return true;
        case WM_LBUTTONDBLCLK:
            mouseDown(wParam, lParam, kLButton | kDoubleClick);
            return true;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            mouseDown(wParam, lParam, kRButton);
            return true;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            mouseDown(wParam, lParam, kMButton);
            return true;
        case WM_LBUTTONUP:
            mouseUp(wParam, lParam, kLButton);
            return true;
        case WM_RBUTTONUP:
            mouseUp(wParam, lParam, kRButton);
            return true;
        case WM_MBUTTONUP:
            mouseUp(wParam, lParam, kMButton);
            return true;
        case WM_MOUSEMOVE:
            frame->onMouseMovedEvent(panelPoint(lParam), modifiers(wParam));
            return true;
        case WM_MOUSEWHEEL: {
            // Wheel positions come in screen coordinates.
            POINT where{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window, &where);
            frame->onWheelEvent(panelPoint(MAKELPARAM(where.x, where.y)),
                                float(GET_WHEEL_DELTA_WPARAM(wParam)) / float(WHEEL_DELTA),
                                modifiers(GET_KEYSTATE_WPARAM(wParam)));
            return true;
        }
        case WM_CHAR:
            if (wParam < 128)
                frame->onKeyEvent(uint32_t(wParam));
            return true;
        case WM_KILLFOCUS:
            // Typing elsewhere ends an edit as a click elsewhere does.
            frame->setFocusView(nullptr);
            return false;
        case WM_GETDLGCODE:
            // Hosts that put the editor into a dialog would take Return and Escape.
            result = DLGC_WANTALLKEYS | DLGC_WANTCHARS;
            return true;
        default:
            return false;
        }
    }

    static constexpr int32_t kAllButtons = kLButton | kRButton | kMButton;

    CFrame* frame;
    std::function<void()> tick;
    HWND window = nullptr;
    bool idling = false;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace

std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parentWindow, std::function<void()> tick)
{
    HWND parent = static_cast<HWND>(parentWindow);
    if (!parent || !IsWindow(parent))
        return nullptr;
    auto window = std::make_unique<Win32Frame>(frame, parent, std::move(tick));
    if (!window->isValid())
        return nullptr;
    return window;
}

double displayScale()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0.0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi >= 48 && dpi <= 480 ? dpi / 96.0 : 0.0;
}

} // namespace VSTGUI
