/*
 * The key-server search dialog of the stand-in's user-interface library
 * (PGPSearchKeyServerDialog), as a user or the UI robot finds it: a "#32770"
 * window owned by the PGPOUIParentWindowHandle window, captioned with the
 * PGPOUIWindowTitle text or KSSEARCH_CAPTION. It starts searching at once,
 * shows what it does in IDC_KSSEARCH_STATUS and closes by itself when the
 * search ends; IDCANCEL ("Cancel") stops it and the dialog returns -11987.
 */
#ifndef ORV_STANDIN_SDKNET_SEARCH_DIALOG_IDS_H
#define ORV_STANDIN_SDKNET_SEARCH_DIALOG_IDS_H

#define KSSEARCH_CAPTION "PGP Key Server Search"

#define IDC_KSSEARCH_QUERY 1201  /* "Searching for: <what>" */
#define IDC_KSSEARCH_SERVER 1202 /* "Server: http://host:port" */
#define IDC_KSSEARCH_STATUS 1203 /* one of the status texts below */

/* Status texts; "%s" stands for the server's address. */
#define KSSEARCH_TEXT_OPENING "Connecting to %s ..."
#define KSSEARCH_TEXT_QUERYING "Searching %s ..."
#define KSSEARCH_TEXT_RECEIVING "Receiving keys from %s ..."
#define KSSEARCH_TEXT_PROCESSING "Reading the keys ..."
#define KSSEARCH_TEXT_FAILED "%s: the search failed."

#endif /* ORV_STANDIN_SDKNET_SEARCH_DIALOG_IDS_H */
