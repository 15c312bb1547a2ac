/* Target for dbgloop.exe, and a check of its own without a debugger:
 *   debuggee strings  three OutputDebugStringA calls, exit 5
 *   debuggee break    DebugBreak() and an int3 whose address it announces, exit 6
 *   debuggee step     one single step (trap flag), exit 7
 *   debuggee veh      int3 and a single step caught by its own vectored
 *                     handler; exit 0 when both arrive as on Windows
 *   debuggee faults   faults caught by its own vectored handler: write and
 *                     read access violations, divide by zero, invalid and
 *                     privileged instructions; exit 0 when each arrives with
 *                     the code and details Windows gives
 *   debuggee exit     ExitProcess(9) while three other threads sleep
 *                     (after the milliseconds given, default 100)
 *   debuggee kill     a second thread calls TerminateProcess(self, 10) while
 *                     the main thread sleeps (what Ctrl-C does) */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#ifdef _WIN64
#define PTR_CX "%rcx"
#define IP(c) ((c)->Rip)
#define SET_TRAP_FLAG() __asm__ volatile("pushfq\n\torq $0x100,(%%rsp)\n\tpopfq\n\tnop" ::: "memory", "cc")
#else
#define PTR_CX "%ecx"
#define IP(c) ((c)->Eip)
#define SET_TRAP_FLAG() __asm__ volatile("pushfl\n\torl $0x100,(%%esp)\n\tpopfl\n\tnop" ::: "memory", "cc")
#endif

extern char int3_here[] __asm__("int3_here"); /* same name on both targets */

static __attribute__((noinline, noclone)) void do_int3(void)
{
    __asm__ volatile(".globl int3_here\nint3_here:\n\tint3\n\tnop" ::: "memory");
}

static void say(const char *fmt, const void *p)
{
    char buf[128];
    snprintf(buf, sizeof(buf), fmt, p);
    OutputDebugStringA(buf);
}

static int breakpoints, single_steps, bad_address, trap_left_set;

static LONG CALLBACK handler(EXCEPTION_POINTERS *ep)
{
    EXCEPTION_RECORD *rec = ep->ExceptionRecord;

    if (rec->ExceptionCode == EXCEPTION_BREAKPOINT)
    {
        breakpoints++;
        if (rec->ExceptionAddress != (void *)int3_here) bad_address++;
        printf("veh: breakpoint at int3%+d, ip at int3%+d\n",
               (int)((char *)rec->ExceptionAddress - int3_here), (int)((char *)IP(ep->ContextRecord) - int3_here));
        IP(ep->ContextRecord) = (ULONG_PTR)int3_here + 1;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (rec->ExceptionCode == EXCEPTION_SINGLE_STEP)
    {
        single_steps++;
        if (ep->ContextRecord->EFlags & 0x100) trap_left_set++;
        ep->ContextRecord->EFlags &= ~0x100;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

/* Each fault instruction is followed by its length in a table so the handler
 * can step over it. */
static volatile LONG fault_code;
static volatile ULONG_PTR fault_info[2];
static volatile int fault_params;

static LONG CALLBACK fault_handler(EXCEPTION_POINTERS *ep)
{
    EXCEPTION_RECORD *rec = ep->ExceptionRecord;

    if (rec->ExceptionCode == EXCEPTION_BREAKPOINT || rec->ExceptionCode == EXCEPTION_SINGLE_STEP)
        return EXCEPTION_CONTINUE_SEARCH;
    fault_code = (LONG)rec->ExceptionCode;
    fault_params = (int)rec->NumberParameters;
    fault_info[0] = rec->NumberParameters > 0 ? rec->ExceptionInformation[0] : 0;
    fault_info[1] = rec->NumberParameters > 1 ? rec->ExceptionInformation[1] : 0;
    IP(ep->ContextRecord) = (ULONG_PTR)rec->ExceptionAddress + 2; /* every test instruction is 2 bytes */
    return EXCEPTION_CONTINUE_EXECUTION;
}

static int expect(const char *what, DWORD code, int params, ULONG_PTR info0, ULONG_PTR info1)
{
    int ok = (DWORD)fault_code == code && (params < 0 || (fault_params == params &&
              fault_info[0] == info0 && fault_info[1] == info1));

    printf("faults: %-10s code %08lx info %lu,%#lx %s\n", what, (unsigned long)fault_code,
           (unsigned long)fault_info[0], (unsigned long)fault_info[1], ok ? "ok" : "WRONG");
    fault_code = 0;
    return ok;
}

static int faults(void)
{
    int ok = 1;
    volatile int zero = 0;
    int readable = 0;

    void *veh = AddVectoredExceptionHandler(1, fault_handler);

    /* mov %eax,(%ecx) with ecx = 0x10: a 2-byte write to an unmapped page */
    __asm__ volatile("mov %%eax,(%" PTR_CX ")" :: "a"(0), "c"((ULONG_PTR)0x10) : "memory");
    ok &= expect("write", EXCEPTION_ACCESS_VIOLATION, 2, 1, 0x10);
    /* mov (%ecx),%eax: a 2-byte read */
    __asm__ volatile("mov (%" PTR_CX "),%%eax" :: "c"((ULONG_PTR)0x20) : "eax", "memory");
    ok &= expect("read", EXCEPTION_ACCESS_VIOLATION, 2, 0, 0x20);
    /* div %ecx with ecx = 0 */
    __asm__ volatile("div %%ecx" :: "a"(1), "d"(0), "c"(zero) : "cc");
    ok &= expect("divide", EXCEPTION_INT_DIVIDE_BY_ZERO, -1, 0, 0);
    __asm__ volatile("ud2");
    ok &= expect("invalid", EXCEPTION_ILLEGAL_INSTRUCTION, -1, 0, 0);
    /* in $0x80,%al needs I/O privilege: 2 bytes */
    __asm__ volatile("in $0x80,%%al" ::: "eax");
    ok &= expect("privileged", EXCEPTION_PRIV_INSTRUCTION, -1, 0, 0);
    /* these catch their own faults with __try/__except inside Wine */
    RemoveVectoredExceptionHandler(veh);
    ok &= IsBadReadPtr((void *)0x30, 4) && IsBadWritePtr((void *)0x30, 4) && !IsBadReadPtr(&readable, 4);
    printf("faults: IsBadReadPtr/IsBadWritePtr %s\n", ok ? "ok" : "WRONG");
    return ok ? 0 : 1;
}

static DWORD WINAPI sleeper(void *arg)
{
    Sleep(30000);
    return (DWORD)(ULONG_PTR)arg;
}

static DWORD WINAPI killer(void *arg)
{
    Sleep(100);
    TerminateProcess(GetCurrentProcess(), (UINT)(ULONG_PTR)arg);
    return 0;
}

int main(int argc, char **argv)
{
    const char *mode = argc > 1 ? argv[1] : "strings";

    if (!strcmp(mode, "strings"))
    {
        OutputDebugStringA("first");
        OutputDebugStringA("second");
        OutputDebugStringA("third");
        return 5;
    }
    if (!strcmp(mode, "break"))
    {
        OutputDebugStringA("before DebugBreak");
        DebugBreak();
        OutputDebugStringA("after DebugBreak");
        say("int3 at %p", int3_here);
        do_int3();
        OutputDebugStringA("after int3");
        return 6;
    }
    if (!strcmp(mode, "step"))
    {
        OutputDebugStringA("before step");
        SET_TRAP_FLAG();
        OutputDebugStringA("after step");
        return 7;
    }
    if (!strcmp(mode, "veh"))
    {
        AddVectoredExceptionHandler(1, handler);
        do_int3();
        SET_TRAP_FLAG();
        printf("veh: breakpoints=%d (bad address %d) single_steps=%d (trap flag left set %d)\n",
               breakpoints, bad_address, single_steps, trap_left_set);
        return breakpoints == 1 && !bad_address && single_steps == 1 && !trap_left_set ? 0 : 1;
    }
    if (!strcmp(mode, "faults")) return faults();
    if (!strcmp(mode, "exit"))
    {
        for (int i = 0; i < 3; i++) CloseHandle(CreateThread(NULL, 0, sleeper, NULL, 0, NULL));
        Sleep(argc > 2 ? (DWORD)atoi(argv[2]) : 100);
        ExitProcess(9);
    }
    if (!strcmp(mode, "kill"))
    {
        CloseHandle(CreateThread(NULL, 0, killer, (void *)10, 0, NULL));
        Sleep(30000);
        return 1;
    }
    return 99;
}
