£01&¥14&
// The PAP users of the link: pap_num_users entries of name and password. Edit them to
// your own; an entry with an empty name stays unused.
kpv_const char pap_users[ZS_AT_LEAST_ONE(pap_num_users)][2][ZS_USER_TEXT_LEN] =
{
    { "guest", "tulipbed" }
};
word pap_entry;
¥££08&
// What the BOOTP server answered.
zs_bootp_info bootp_info;
£
//-----------------------------------------------------------------------------
// MAIN Routine
//-----------------------------------------------------------------------------
void main (void)
{
¢08,09|    WDTCN = 0xDE;                       // Disable the watchdog timer
    WDTCN = 0xAD;
¢¢10&    PCA0MD &= ~0x40;                    // Disable the watchdog timer
¢
    PORT_Init ();                       // Crossbar and port pins
    SYSCLK_Init ();                     // System clock
£00&    EMIF_Init ();                       // External memory interface (Lanvik registers)
££22&    Timer2_Init ();                     // One-second clock of the LOCATRA event counters

    // Time Powered counts from a power-on or pin reset; other resets keep counting.
    if (RSTSRC & 0x03)
    {
        locatra_event1 = 0;
    }
£
    // Bring the stack up, connect and serve; when the link is lost, start over.
    while (1)
    {
        if (zs_init_stack () != ZS_OK)
        {
            continue;
        }
        if (establish_network_connection () != ZS_OK)
        {
            continue;
        }
£10,11|
        // Offer the sample page; VFILE_DIR/update.bat converts your own index.html.
        vf_add_file ("index.html", index_html, INDEX_SIZE);
¥10&
        // The user the FTP server accepts: edit to your own.
        ftp_add_user ("guest", "tulipbed");
¥££09&
        // Ask the DHCP server for an address.
        if (dhcp_request () != ZS_OK)
        {
            // The DHCP server did not assign a valid IP address.
            while(1);
¥22&            // LOCATRA still announces the device: use the address 0.0.0.1 with a lease
            // that never ends.
            my_ip_addr[0] = 0;
            my_ip_addr[1] = 0;
            my_ip_addr[2] = 0;
            my_ip_addr[3] = 1;
            dhcp_lease_time = ZS_LEASE_INFINITE;
¥        }
££22&
        // Time on Network counts from here; answer LOCATRA discovery requests from now on.
        locatra_event2 = 0;
        if (locatra_start () != ZS_OK)
        {
            while (1);
        }
££08&
        // Ask the BOOTP server for an address.
        if (bootp_request (&bootp_info) != ZS_OK)
        {
            while (1);
        }
£
        // Serve until the link is lost.
#ifdef ZS_SERVERS
        zs_run_servers ();
#else
        while (zs_poll () == ZS_OK)
        {
            // The application's own work goes here.
        }
#endif
    }
}

//-----------------------------------------------------------------------------
// establish_network_connection
//-----------------------------------------------------------------------------
//
// Starts the Lanvik controller and waits for the Ethernet link. Returns ZS_OK once the
// link is up, an error of zs_errs.h otherwise.
//
int establish_network_connection()
{
£00&    int result = eth_init ();

    if (result != ZS_OK)
    {
        return result;
    }
£    return ZS_OK;
}

