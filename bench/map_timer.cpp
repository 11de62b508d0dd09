/* Time from starting a program to the first map of a top-level window on the
 * X display, and optionally to its first paint: listens for MapNotify on the
 * root window (and, with -p, for damage to the screen), then forks and execs
 * the command; prints the seconds elapsed, terminates the program (SIGTERM,
 * so it shuts down as at the end of a session) and waits for it.
 *   map_timer [-p] <timeout seconds> <command> [args...]
 * Prints "<map>" or, with -p, "<map> <paint>": the paint is the first drawing
 * inside the mapped window after it was mapped (its first picture).
 * Exit code 0 with the seconds on stdout, 1 when no window was mapped (or
 * painted) in time or the program ended first. */
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int main(int argc, char **argv)
{
    const bool paint = argc > 1 && strcmp(argv[1], "-p") == 0;
    if (paint) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: %s [-p] <timeout seconds> <command> [args...]\n", argv[0]);
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
    // Damage to the root window reports drawing anywhere on the screen.
    uint8_t damageEvent = 0;
    if (paint) {
        const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (!ext || !ext->present) {
            fprintf(stderr, "map_timer: the display has no DAMAGE extension\n");
            return 2;
        }
        free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
        damageEvent = static_cast<uint8_t>(ext->first_event + XCB_DAMAGE_NOTIFY);
        xcb_damage_create(c, xcb_generate_id(c), screen->root,
                          XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(c);
        // The first report covers the whole screen as it stands: not a paint.
        for (xcb_generic_event_t *ev; (ev = xcb_wait_for_event(c)) != nullptr;) {
            const bool first = (ev->response_type & 0x7f) == damageEvent;
            free(ev);
            if (first)
                break;
        }
    }

    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        perror("map_timer: exec");
        _exit(127);
    }
    double mapped = -1;
    double painted = -1;
    xcb_window_t window = XCB_NONE;
    xcb_rectangle_t area = {0, 0, 0, 0};
    struct pollfd pfd = {xcb_get_file_descriptor(c), POLLIN, 0};
    while (mapped < 0 || (paint && painted < 0)) {
        xcb_generic_event_t *ev;
        while ((ev = xcb_poll_for_event(c)) != nullptr) {
            const int type = ev->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY) {
                const xcb_map_notify_event_t *m = reinterpret_cast<const xcb_map_notify_event_t *>(ev);
                if (m->event == screen->root && mapped < 0) {
                    mapped = now();
                    window = m->window;
                }
            } else if (paint && type == damageEvent && mapped >= 0 && painted < 0) {
                const xcb_damage_notify_event_t *d =
                    reinterpret_cast<const xcb_damage_notify_event_t *>(ev);
                if (area.width == 0) {
                    xcb_get_geometry_reply_t *g =
                        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
                    if (g) {
                        area = {g->x, g->y, g->width, g->height};
                        free(g);
                    }
                }
                const bool inside = d->area.x < area.x + area.width &&
                                    area.x < d->area.x + d->area.width &&
                                    d->area.y < area.y + area.height &&
                                    area.y < d->area.y + d->area.height;
                if (inside)
                    painted = now();
            }
            free(ev);
        }
        if (mapped >= 0 && (!paint || painted >= 0))
            break;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "map_timer: the program ended before %s a window\n",
                    mapped < 0 ? "mapping" : "painting");
            return 1;
        }
        const double left = timeout - (now() - start);
        if (left <= 0) {
            fprintf(stderr, "map_timer: no window %s in %.1f s\n",
                    mapped < 0 ? "mapped" : "painted", timeout);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        poll(&pfd, 1, left < 0.05 ? static_cast<int>(left * 1000) + 1 : 50);
        if (xcb_connection_has_error(c))
            return 2;
    }
    if (paint)
        printf("%.4f %.4f\n", mapped - start, painted - start);
    else
        printf("%.4f\n", mapped - start);
    fflush(stdout);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return 0;
}
