// Kept apart: the kernel's termios2 clashes with the C library's termios.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int lineSpeed(int fd)
{
    struct termios2 tio
    {
    };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return 0;
    return int(tio.c_ospeed);
}
