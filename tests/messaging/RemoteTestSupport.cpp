#include "RemoteTestSupport.h"

#include <cstdlib>

namespace cfu::test {

Collector::Collector()
    : hWnd(MakeTestWindow("CFUtilsTest Collector", &Collector::WndProc, LONG_PTR(this)))
{
}

Collector::~Collector()
{
    DestroyWindow(hWnd);
}

std::string Collector::Arg() const
{
    return "--collector=" + std::to_string(UINT_PTR(hWnd));
}

HWND Collector::FromArgs(int argc, char** argv)
{
    return HWND(UINT_PTR(strtoull(ChildArg(argc, argv, "collector").c_str(), nullptr, 10)));
}

LRESULT CALLBACK Collector::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Collector* self = reinterpret_cast<Collector*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    switch (message) {
    case kReportRegistered:
        self->handle = wParam;
        self->listener = HWND(lParam);
        self->registered = true;
        return 1;
    case kReportAnswer:
        self->log.push_back({message, wParam, lParam, 0});
        return 1;
    case WM_COPYDATA: {
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (cds->dwData != kReportReceived || cds->cbData != sizeof(ReceivedMessage))
            return 0;
        const ReceivedMessage* r = static_cast<const ReceivedMessage*>(cds->lpData);
        self->log.push_back({r->message, r->wParam, r->lParam, r->sent ? kSent : kPosted});
        return 1;
    }
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

long PumpUntilExit(ChildProcess& child, DWORD timeoutMs)
{
    PumpUntil([&] { return WaitForSingleObject(child.Process(), 0) == WAIT_OBJECT_0; }, timeoutMs);
    return child.Wait(0);
}

} // namespace cfu::test
