/* Preloaded into a Linux JVM (by the probe tests and by vm_stub.exe): records
 * the status that the VM hands to exit(). The kernel keeps only its low 8 bits
 * (the probe's 314 arrives as 58), while a Windows VM reports all of it. The
 * status goes, as decimal text, to the file named by WENDLE_EXIT_STATUS_FILE. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void RecordStatus(int status, void *unused)
{
    (void)unused;
    const char *path = getenv("WENDLE_EXIT_STATUS_FILE");
    if (path == NULL)
        return;
    char text[32];
    int length = snprintf(text, sizeof text, "%d\n", status);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    /* A short write leaves no number; readers then fall back to the 8-bit
     * status or report it. */
    ssize_t written = write(fd, text, (size_t)length);
    (void)written;
    close(fd);
}

__attribute__((constructor)) static void InstallRecorder(void)
{
    on_exit(RecordStatus, NULL);
}
