/* CFEHook.dll, the suite's hook library. The router loads it by name and has
   it hook the keyboard and the shell, and gives it the window and message for
   the CBT hook that the router installs itself. Every hook procedure runs in
   whichever process and thread the system injects this library into, and
   reports to the router window by posting one of the notifications whose
   wParam and lParam CFRouter.h describes.

   It is injected into other programs, so it is plain C built without the C
   runtime: no start-up code, no heap, nothing per process beyond the loader's
   own bookkeeping. The only state is the shared section below. */
#include <windows.h>

/* One copy for every process that maps this library: the router's process
   writes it, the hooks everywhere read it. */
#define SHARED __attribute__((section(".shared"), shared))

typedef struct HookTarget
{
    HWND hRouter;
    UINT message;
    HHOOK hHook;
} HookTarget;

static HookTarget g_keyboard SHARED = {NULL, 0, NULL};
static HookTarget g_shell SHARED = {NULL, 0, NULL};
static HookTarget g_cbt SHARED = {NULL, 0, NULL};

/* This library's module handle, from the linker rather than from DllMain. */
extern IMAGE_DOS_HEADER __ImageBase;

/* Posted, never sent: a hook runs inside another program's window call, and
   a send would hold that program until the router's thread answers. */
static void Report(const HookTarget* target, WPARAM wParam, LPARAM lParam)
{
    HWND hRouter = target->hRouter;
    if (hRouter)
        PostMessageA(hRouter, target->message, wParam, lParam);
}

/* A key is reported once when it is taken from the queue, not again for each
   peek that leaves it there (HC_NOREMOVE). */
static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION)
        Report(&g_keyboard, wParam, lParam);
    return CallNextHookEx(g_keyboard.hHook, code, wParam, lParam);
}

static LRESULT CALLBACK ShellProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0)
        Report(&g_shell, (WPARAM)code, (LPARAM)wParam);
    return CallNextHookEx(g_shell.hHook, code, wParam, lParam);
}

static HHOOK Install(HookTarget* target, int idHook, HOOKPROC proc, HWND hRouter, UINT message)
{
    /* A hook with nowhere to report would only load this library into every
       process for nothing. */
    if (!IsWindow(hRouter))
        return NULL;
    target->hRouter = hRouter;
    target->message = message;
    target->hHook = SetWindowsHookExA(idHook, proc, (HINSTANCE)&__ImageBase, 0);
    return target->hHook;
}

__declspec(dllexport) HHOOK WINAPI SetKeyboardHook(HWND hRouter, UINT message)
{
    return Install(&g_keyboard, WH_KEYBOARD, KeyboardProc, hRouter, message);
}

__declspec(dllexport) HHOOK WINAPI SetShellHook(HWND hRouter, UINT message)
{
    return Install(&g_shell, WH_SHELL, ShellProc, hRouter, message);
}

__declspec(dllexport) void WINAPI SetHookWindowHandle(HWND hRouter, UINT message)
{
    g_cbt.hRouter = hRouter;
    g_cbt.message = message;
}

__declspec(dllexport) LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0)
        Report(&g_cbt, (WPARAM)code, (LPARAM)wParam);
    return CallNextHookEx(g_cbt.hHook, code, wParam, lParam);
}

__declspec(dllexport) void WINAPI SetHookHandle(HHOOK hHook)
{
    g_cbt.hHook = hHook;
}

/* The entry point of a library without the C runtime. */
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    return TRUE;
}
