// The Win32 window of vesk-editor-host. Its message loop is the host's; the
// pointer's messages are posted to the editor's window as the mouse would
// send them, and pictures are what the screen shows, encoded by GDI+ as the
// toolkit encodes its own.
#include "HostWindow.h"
#include "gdiplus/GdiplusSession.h"
#include "win32/WideText.h"

namespace {

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

class Win32HostWindow : public HostWindow {
public:
    Win32HostWindow(int w, int h) : width(w), height(h)
    {
        VSTGUI::acquireGdiplus();
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = hostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"VeskEditorHost";
        RegisterClassExW(&windowClass);
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        RECT outer{0, 0, width, height};
        AdjustWindowRect(&outer, style, FALSE);
        window = CreateWindowExW(0, L"VeskEditorHost", L"Vesk", style, 0, 0, outer.right - outer.left,
                                 outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window) {
            ShowWindow(window, SW_SHOWNORMAL);
            UpdateWindow(window);
        }
    }

    ~Win32HostWindow() override
    {
        if (window)
            DestroyWindow(window);
        VSTGUI::releaseGdiplus();
    }

    bool isValid() const { return window != nullptr; }

    void* handle() const override { return window; }

    void takeEvents() override
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    void moveTo(int x, int y) override
    {
        pointer = MAKELPARAM(x, y);
        PostMessageW(editor(), WM_MOUSEMOVE, held, pointer);
    }

    void button(bool press, bool right) override
    {
        held = press ? WPARAM(right ? MK_RBUTTON : MK_LBUTTON) : 0;
        const UINT message = right ? (press ? WM_RBUTTONDOWN : WM_RBUTTONUP) : (press ? WM_LBUTTONDOWN : WM_LBUTTONUP);
        PostMessageW(editor(), message, held, pointer);
    }

    // The menu's own loop runs inside the press, so the keys are queued
    // before it: the loop takes them as a user's typing.
    bool pickFromMenu(int x, int y, int downs) override
    {
        pointer = MAKELPARAM(x, y);
        PostMessageW(editor(), WM_LBUTTONDOWN, MK_LBUTTON, pointer);
        for (int i = 0; i < downs; ++i)
            PostMessageW(editor(), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(editor(), WM_KEYDOWN, VK_RETURN, 0);
        return true;
    }

    bool capture(std::vector<uint32_t>& pixels) override
    {
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, picture);
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        SelectObject(memory, old);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels.resize(size_t(width) * size_t(height));
        const bool ok = GetDIBits(memory, picture, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS) == height;
        for (uint32_t& pixel : pixels)
            pixel &= 0xffffff;
        DeleteObject(picture);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return ok;
    }

    bool writePng(const std::vector<uint32_t>& pixels, const std::string& path) override
    {
        Gdiplus::Bitmap image(width, height, width * 4, PixelFormat32bppRGB,
                              reinterpret_cast<BYTE*>(const_cast<uint32_t*>(pixels.data())));
        CLSID encoder;
        return VSTGUI::pngEncoder(encoder) &&
               image.Save(VSTGUI::widen(path).c_str(), &encoder, nullptr) == Gdiplus::Ok;
    }

    void sizes(int& windowWidth, int& windowHeight, int& editorWidth, int& editorHeight) override
    {
        RECT r;
        GetClientRect(window, &r);
        windowWidth = r.right - r.left;
        windowHeight = r.bottom - r.top;
        editorWidth = 0;
        editorHeight = 0;
        if (HWND child = editor()) {
            GetClientRect(child, &r);
            editorWidth = r.right - r.left;
            editorHeight = r.bottom - r.top;
        }
    }

private:
    HWND editor() const { return GetWindow(window, GW_CHILD); }

    HWND window = nullptr;
    int width;
    int height;
    LPARAM pointer = 0;
    WPARAM held = 0; // the button a move carries, as Windows reports it
};

} // namespace

std::unique_ptr<HostWindow> openHostWindow(int width, int height)
{
    auto window = std::make_unique<Win32HostWindow>(width, height);
    if (!window->isValid())
        return nullptr;
    return window;
}
