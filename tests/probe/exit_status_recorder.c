/* Preloaded into a Linux JVM: records the status that the VM hands to exit().
 * The kernel keeps only 8 bits of it, so the probe's 314 reaches the shell
 * as 58; the launcher on Windows sees all of it. The status goes, as decimal
 * text, to the file named by PROBE_EXIT_STATUS_FILE. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void RecordStatus(int status, void *unused)
{
    (void)unused;
    const char *path = getenv("PROBE_EXIT_STATUS_FILE");
    if (path == NULL)
        return;
    char text[32];
    int length = snprintf(text, sizeof text, "%d\n", status);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    /* A short write leaves no number to read, which the test reports. */
    ssize_t written = write(fd, text, (size_t)length);
    (void)written;
    close(fd);
}

__attribute__((constructor)) static void InstallRecorder(void)
{
    on_exit(RecordStatus, NULL);
}
