// Preloaded into ippeveprinter by the driverless printer tests. ippeveprinter
// will not run without a DNS-SD daemon, even for a printer that is only
// reached on the loopback address by URI; these stand-ins for the Avahi
// client calls it makes let it start without one and announce nothing.
extern "C" {

namespace {
int handle;
}

void *avahi_client_new(const void *, int, void *, void *, int *error)
{
    if (error)
        *error = 0;
    return &handle;
}
void avahi_client_free(void *) {}
int avahi_client_errno(void *) { return 0; }
const char *avahi_client_get_host_name_fqdn(void *) { return "localhost"; }
void *avahi_entry_group_new(void *, void *, void *) { return &handle; }
int avahi_entry_group_add_service_strlst(...) { return 0; }
int avahi_entry_group_add_service_subtype(...) { return 0; }
int avahi_entry_group_commit(void *) { return 0; }
int avahi_entry_group_reset(void *) { return 0; }
int avahi_entry_group_free(void *) { return 0; }
}
