/* Loaded into Wine (LD_PRELOAD) for the end-to-end run only. A Linux
 * pseudo-terminal takes every line setting but keeps 8 data bits without
 * parity; the C library's tcsetattr() reads the line back and reports the
 * 7O1 of the serial driver as EINVAL. This one passes the settings to the
 * kernel and reports what the kernel did, as a real serial port would. */
#define _GNU_SOURCE
#include <asm/termbits.h>
#include <errno.h>
#include <sys/ioctl.h>

struct termios;

int tcsetattr(int fd, int aktion, const struct termios* t) {
    unsigned long befehl;
    switch (aktion) {
        case 0: befehl = TCSETS; break;  /* TCSANOW */
        case 1: befehl = TCSETSW; break; /* TCSADRAIN */
        case 2: befehl = TCSETSF; break; /* TCSAFLUSH */
        default: errno = EINVAL; return -1;
    }
    /* The C library's termios begins with the kernel's. */
    return ioctl(fd, befehl, t);
}
