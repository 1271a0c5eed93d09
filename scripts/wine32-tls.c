/* Loaded (through ld.so.preload in build/wine32/root) into every process of
 * the 32-bit Wine that runs under qemu-i386.
 *
 * A real kernel switches the thread-local-storage segment descriptors with
 * the thread; qemu-user keeps one emulated GDT per process, so all threads
 * share them. Each thread keeps its own base only until it reloads %fs or
 * %gs, and 32-bit Wine reloads both (its TEB in %fs, glibc's TLS in %gs) in
 * every signal handler: a process with two threads soon runs both on one
 * TEB and crashes. Descriptors in the LDT are not shared that way.
 *
 * So this library
 *  - takes the spare TLS entries of the GDT, so that Wine, finding none,
 *    gives each thread an LDT selector for %fs (a path Wine has anyway);
 *  - moves glibc's %gs of the first thread and of every thread made with
 *    pthread_create to an LDT entry of its own (Wine leaves 1..511 free
 *    when %gs is in the LDT).
 *
 * Built without any i386 development package, against the unpacked libc:
 *   gcc -m32 -O2 -fPIC -shared -nostdlib -fno-stack-protector \
 *       -o wine32-tls.so wine32-tls.c ROOT/lib/i386-linux-gnu/libc.so.6
 */
typedef unsigned int size_t;
typedef unsigned long pthread_t;
extern void *dlsym(void *handle, const char *name);
extern void *malloc(size_t size);
extern void free(void *block);
#define RTLD_NEXT ((void *)-1l)

enum { SYS_modify_ldt = 123, SYS_set_thread_area = 243, LDT_ENTRIES = 512 };

struct user_desc {
    unsigned int entry_number;
    unsigned int base_addr;
    unsigned int limit;
    unsigned int seg_32bit : 1, contents : 2, read_exec_only : 1, limit_in_pages : 1,
        seg_not_present : 1, useable : 1;
};

static int syscall3(int number, int a, int b, int c) {
    int result;
    __asm__ volatile("int $0x80" : "=a"(result) : "0"(number), "b"(a), "c"(b), "d"(c) : "memory");
    return result;
}

static unsigned short read_gs(void) {
    unsigned short selector;
    __asm__ volatile("movw %%gs, %0" : "=r"(selector));
    return selector;
}

static void load_gs(unsigned short selector) {
    __asm__ volatile("movw %0, %%gs" : : "r"(selector) : "memory");
}

/* glibc's i386 thread control block begins with a pointer to itself. */
static unsigned int own_tls_base(void) {
    unsigned int base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static void flat_segment(struct user_desc *d, unsigned int entry, unsigned int base) {
    unsigned int *words = (unsigned int *)d;
    words[0] = words[1] = words[2] = words[3] = 0;
    d->entry_number = entry;
    d->base_addr = base;
    d->limit = 0xfffff;
    d->seg_32bit = 1;
    d->limit_in_pages = 1;
    d->useable = 1;
}

static unsigned short gdt_tls_selector; /* the GDT selector glibc was given */
static int next_ldt_entry = 1;
static volatile int creating;

/* Gives the calling thread an LDT entry of its own for glibc's TLS. */
static void tls_to_ldt(void) {
    struct user_desc d;
    int entry = __sync_fetch_and_add(&next_ldt_entry, 1);
    if (entry >= LDT_ENTRIES) return; /* out of entries: keep the shared one */
    flat_segment(&d, (unsigned int)entry, own_tls_base());
    if (syscall3(SYS_modify_ldt, 0x11, (int)&d, sizeof d) != 0) return;
    load_gs((unsigned short)((entry << 3) | 7)); /* LDT, ring 3 */
}

__attribute__((constructor)) static void start(void) {
    struct user_desc d;
    int spare;
    gdt_tls_selector = read_gs();
    for (spare = 0; spare < 2; spare++) {
        flat_segment(&d, (unsigned int)-1, 0);
        if (syscall3(SYS_set_thread_area, (int)&d, 0, 0) < 0) break;
    }
    if (gdt_tls_selector != 0 && (gdt_tls_selector & 4) == 0) tls_to_ldt();
}

struct thread_start {
    void *(*function)(void *);
    void *argument;
};

static void *begin_thread(void *p) {
    struct thread_start start = *(struct thread_start *)p;
    free(p);
    tls_to_ldt();
    return start.function(start.argument);
}

int pthread_create(pthread_t *thread, const void *attributes, void *(*function)(void *),
                   void *argument) {
    static int (*real)(pthread_t *, const void *, void *(*)(void *), void *);
    struct thread_start *start;
    struct user_desc d;
    unsigned short mine = read_gs();
    int result;

    if (!real) real = (int (*)(pthread_t *, const void *, void *(*)(void *), void *))dlsym(
                   RTLD_NEXT, "pthread_create");
    if ((mine & 4) == 0 || gdt_tls_selector == 0) return real(thread, attributes, function, argument);
    if (!(start = malloc(sizeof *start))) return 11; /* EAGAIN */
    start->function = function;
    start->argument = argument;

    /* glibc's clone takes the TLS entry number from %gs: while the thread is
     * made, %gs must hold the GDT selector, whose shared entry is pointed at
     * this thread's own TLS first so that the reload keeps its base. */
    while (__sync_lock_test_and_set(&creating, 1)) __asm__ volatile("pause");
    flat_segment(&d, gdt_tls_selector >> 3, own_tls_base());
    syscall3(SYS_set_thread_area, (int)&d, 0, 0);
    load_gs(gdt_tls_selector);
    result = real(thread, attributes, begin_thread, start);
    load_gs(mine);
    __sync_lock_release(&creating);
    if (result) free(start);
    return result;
}
