/* The floor of a download on loopback: one HTTP/1.1 GET over a plain socket,
 * the body copied with read() into a 1 MiB buffer and write() to the file.
 * No parsing beyond finding the end of the header block, no checks of the
 * answer: it measures what moving the bytes costs, nothing else.
 *
 * Usage: raw-fetch HOST PORT PATH OUT */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static int write_all(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0)
            return -1;
        p += w;
        n -= (size_t)w;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: raw-fetch HOST PORT PATH OUT\n");
        return 2;
    }
    struct sockaddr_in addr = {0};
    addr.sin_family = AF_INET;
    addr.sin_port = htons((unsigned short)atoi(argv[2]));
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0 || inet_pton(AF_INET, argv[1], &addr.sin_addr) != 1 ||
        connect(s, (struct sockaddr*)&addr, sizeof addr) != 0) {
        perror("connect");
        return 1;
    }
    char request[1024];
    int len =
        snprintf(request, sizeof request,
                 "GET %s HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n", argv[3], argv[1]);
    int out = open(argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || write_all(s, request, (size_t)len) != 0) {
        perror("request");
        return 1;
    }
    static char buffer[1 << 20];
    int in_body = 0;
    size_t held = 0;
    for (;;) {
        ssize_t n = read(s, buffer + held, sizeof buffer - held);
        if (n < 0) {
            perror("read");
            return 1;
        }
        if (n == 0)
            break;
        if (in_body) {
            if (write_all(out, buffer, (size_t)n) != 0)
                return 1;
            continue;
        }
        held += (size_t)n;
        char* end = memmem(buffer, held, "\r\n\r\n", 4);
        if (end == NULL)
            continue;
        end += 4;
        in_body = 1;
        if (write_all(out, end, held - (size_t)(end - buffer)) != 0)
            return 1;
        held = 0;
    }
    close(s);
    return close(out) == 0 ? 0 : 1;
}
