/* Time from starting a program to the first map of a top-level window on the
 * X display: listens for MapNotify on the root window, then forks and execs
 * the command; prints the seconds elapsed, terminates the program (SIGTERM,
 * so it shuts down as at the end of a session) and waits for it.
 *   map_timer <timeout seconds> <command> [args...]
 * Exit code 0 with the seconds on stdout, 1 when no window was mapped in
 * time or the program ended first. */
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s <timeout seconds> <command> [args...]\n", argv[0]);
        return 2;
    }
    const double timeout = atof(argv[1]);
    // A display that has just been started may take a moment to accept.
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    for (int tries = 0; xcb_connection_has_error(c) && tries < 100; ++tries) {
        xcb_disconnect(c);
        usleep(50000);
        c = xcb_connect(nullptr, nullptr);
    }
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "map_timer: cannot open the display\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t ck =
        xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t *err = xcb_request_check(c, ck);
    if (err) {
        fprintf(stderr, "map_timer: cannot listen on the root window\n");
        return 2;
    }

    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        perror("map_timer: exec");
        _exit(127);
    }
    double mapped = -1;
    struct pollfd pfd = {xcb_get_file_descriptor(c), POLLIN, 0};
    while (mapped < 0) {
        xcb_generic_event_t *ev;
        while ((ev = xcb_poll_for_event(c)) != nullptr) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const xcb_map_notify_event_t *m = reinterpret_cast<const xcb_map_notify_event_t *>(ev);
                if (m->event == screen->root && mapped < 0)
                    mapped = now();
            }
            free(ev);
        }
        if (mapped >= 0)
            break;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "map_timer: the program ended before mapping a window\n");
            return 1;
        }
        const double left = timeout - (now() - start);
        if (left <= 0) {
            fprintf(stderr, "map_timer: no window mapped in %.1f s\n", timeout);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        poll(&pfd, 1, left < 0.05 ? static_cast<int>(left * 1000) + 1 : 50);
        if (xcb_connection_has_error(c))
            return 2;
    }
    printf("%.4f\n", mapped - start);
    fflush(stdout);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return 0;
}
