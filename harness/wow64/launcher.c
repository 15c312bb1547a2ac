/*
 * 32-bit Wine loader for the wow64 root (harness/wow64/make-root.sh).
 *
 * The root runs 32-bit Windows programs by handing Wine's 32-bit side to
 * qemu-i386, because this kind of machine cannot execute i386 code itself.
 * Debian's own 32-bit loader does not survive that, for two reasons, and this
 * program replaces it:
 *
 *  - Debian links its loader position-independent and qemu maps it at
 *    0x400000, the very address where a Windows EXE without relocations must
 *    go. We are linked as a fixed executable far above that range
 *    (-no-pie -Wl,-Ttext-segment=0x7d000000), which is where Wine's own
 *    non-PIE loader used to live, so 0x400000 stays free.
 *
 *  - qemu delivers signals for CPU exceptions without the x86 trap number in
 *    the signal context (it leaves -1 there). Wine's handlers decide on that
 *    number. For SIGTRAP it reports single steps as breakpoints (leaving the
 *    trap flag set) and int3 one byte past the instruction, which derails
 *    debugger loops like our trace capture; for SIGSEGV and the others it
 *    reports every access violation, divide by zero or privileged
 *    instruction as an illegal instruction, so no __try/__except (nor
 *    IsBadReadPtr) works. We sit between ntdll and the kernel for those
 *    signals and fill the trap number from si_code, which qemu does set,
 *    before Wine's handler runs.
 *
 *  - Wine ends the other threads of a process that exits (and a thread that
 *    is terminated) with SIGQUIT; its handler leaves through pthread_exit().
 *    glibc's pthread_exit() unwinds the stack, and under qemu that unwind
 *    goes wrong from inside a signal handler: the thread faults, Wine calls
 *    it a nested exception and exits the whole process with code 1, racing
 *    the real exit code (half of all ExitProcess() calls made while another
 *    thread waits). Such a thread has nothing left to clean up, so we end it
 *    with the bare exit system call instead.
 *
 * Everything else is left to ntdll.so: we load it and call __wine_main(),
 * which is all Wine's own loader does once the preloader is out of the way.
 *
 * Built inside the root by make-root.sh with:
 *   i686-linux-gnu-gcc -O2 -Wall -Wextra -Werror -no-pie -rdynamic
 *       -Wl,-Ttext-segment=0x7d000000 -DNTDLL_PATH='"..."' launcher.c
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#ifndef NTDLL_PATH
#define NTDLL_PATH "/usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so"
#endif

/* x86 exception vectors, as Wine reads them from the trap number */
enum
{
    X86_TRAP_DIVIDE = 0,
    X86_TRAP_DEBUG = 1,
    X86_TRAP_INT3 = 3,
    X86_TRAP_INVALID_OPCODE = 6,
    X86_TRAP_GENERAL_PROTECTION = 13,
    X86_TRAP_PAGE_FAULT = 14,
    X86_TRAP_X87 = 16,
    X86_TRAP_ALIGNMENT = 17,
};

/*
 * ntdll.so asks for this symbol to find the address ranges a preloader
 * reserved for it. There is no preloader here, so it finds none and makes
 * its own reservations.
 */
__attribute__((visibility("default"))) void *wine_main_preload_info = NULL;

typedef void (*siginfo_handler)(int, siginfo_t *, void *);
typedef int (*sigaction_fn)(int, const struct sigaction *, struct sigaction *);

/* The handlers ntdll asked for, for the signals we stand in front of. */
static siginfo_handler wine_handlers[NSIG];

/* Set in a thread that Wine is ending (see pthread_exit below). */
static __thread int thread_is_ending;

static sigaction_fn libc_sigaction(void)
{
    static sigaction_fn real;

    if (!real) real = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    return real;
}

/* The vector a real CPU would have raised for this signal, or -1 to leave the
 * context alone. qemu sets si_code faithfully, so that is what we go by. */
static int trap_number(int sig, int code)
{
    switch (sig)
    {
    case SIGTRAP:
        if (code == SI_KERNEL) return X86_TRAP_INT3;
        if (code == TRAP_BRKPT || code == TRAP_TRACE || code == TRAP_HWBKPT) return X86_TRAP_DEBUG;
        return -1;
    case SIGSEGV:
        /* Faults on memory are page faults (Wine handles guard pages and
         * write watches there and reports access violations); SI_KERNEL is
         * a general protection fault: privileged instructions, int $n. The
         * error code, which qemu does fill, stays as it is. */
        if (code == SEGV_MAPERR || code == SEGV_ACCERR) return X86_TRAP_PAGE_FAULT;
        if (code == SI_KERNEL) return X86_TRAP_GENERAL_PROTECTION;
        return -1;
    case SIGBUS:
        return code == BUS_ADRALN ? X86_TRAP_ALIGNMENT : X86_TRAP_PAGE_FAULT;
    case SIGILL:
        return X86_TRAP_INVALID_OPCODE;
    case SIGFPE:
        return code == FPE_INTDIV || code == FPE_INTOVF ? X86_TRAP_DIVIDE : X86_TRAP_X87;
    default:
        return -1;
    }
}

/*
 * Runs on Wine's signal stack before Wine's handler has set anything up, so
 * it only touches the context and a flag of this thread (glibc's %gs is
 * untouched by Wine on i386) and calls on.
 */
static void trap_handler(int sig, siginfo_t *info, void *context)
{
    ucontext_t *uc = context;
    int trap = trap_number(sig, info->si_code);

    if (trap >= 0) uc->uc_mcontext.gregs[REG_TRAPNO] = trap;
    if (sig == SIGQUIT) thread_is_ending = 1;
    wine_handlers[sig](sig, info, context);
}

static int wrapped_signal(int sig)
{
    return sig == SIGTRAP || sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE ||
           sig == SIGQUIT;
}

/*
 * Exported like sigaction. A thread that Wine is ending from its SIGQUIT
 * handler exits right away; the kernel still clears its thread id, so a
 * pthread_join() on it returns as usual. Every other call is glibc's.
 */
void pthread_exit(void *retval)
{
    static void (*real)(void *) __attribute__((noreturn));

    if (thread_is_ending)
        for (;;) syscall(SYS_exit, 0);
    if (!real) *(void **)&real = dlsym(RTLD_NEXT, "pthread_exit");
    if (!real) abort();
    real(retval);
}

/*
 * Exported (-rdynamic) so that ntdll.so's calls bind here rather than to libc.
 * Only handlers taking siginfo for the signals above are redirected; every
 * other call goes straight through, and a query reports Wine's own handler so
 * that saving and restoring it keeps working.
 */
int sigaction(int sig, const struct sigaction *act, struct sigaction *oldact)
{
    sigaction_fn real = libc_sigaction();
    siginfo_handler previous;
    struct sigaction ours;
    int ret;

    if (!real) return -1;
    if (sig <= 0 || sig >= NSIG || !wrapped_signal(sig)) return real(sig, act, oldact);

    previous = wine_handlers[sig];
    if (act && (act->sa_flags & SA_SIGINFO) && act->sa_sigaction && act->sa_sigaction != trap_handler)
    {
        ours = *act;
        ours.sa_sigaction = trap_handler;
        wine_handlers[sig] = act->sa_sigaction;
        act = &ours;
    }
    ret = real(sig, act, oldact);
    if (ret == 0 && oldact && (oldact->sa_flags & SA_SIGINFO) && oldact->sa_sigaction == trap_handler)
        oldact->sa_sigaction = previous;
    return ret;
}

int main(int argc, char *argv[], char *envp[])
{
    void (*wine_main)(int, char **, char **);
    void *ntdll;

    /*
     * Without this ntdll re-executes the loader through wine-preloader, an
     * i386 program the kernel here cannot start; it would fall back to
     * starting us again, costing a second qemu start-up for nothing. ntdll
     * only answers --version and --help on that first pass, so those (and a
     * bare call, which prints the usage) are left to it.
     */
    if (argc > 1 && strcmp(argv[1], "--version") != 0 && strcmp(argv[1], "--help") != 0 &&
        setenv("WINELOADERNOEXEC", "1", 1) != 0)
    {
        perror("wow64 launcher: setenv");
        return 1;
    }

    ntdll = dlopen(NTDLL_PATH, RTLD_NOW | RTLD_GLOBAL);
    if (!ntdll)
    {
        fprintf(stderr, "wow64 launcher: %s\n", dlerror());
        return 1;
    }
    *(void **)&wine_main = dlsym(ntdll, "__wine_main");
    if (!wine_main)
    {
        fprintf(stderr, "wow64 launcher: no __wine_main in %s\n", NTDLL_PATH);
        return 1;
    }
    wine_main(argc, argv, envp);
    fprintf(stderr, "wow64 launcher: __wine_main returned\n");
    return 1;
}
