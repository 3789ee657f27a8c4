#pragma once
// Every user-visible text of the system: X(number, export name, text). The
// number is the export ordinal; the three lists are the three lookup tables,
// one per consumer. Texts are ANSI; "\r\n" is a line break.

// Launcher (1-11): box titles, per-user setup and update messages.
#define ORV_LAUNCHER_TEXTS(X)                                                                  \
    X(1, ERROR_TITLE, "KVSEC-Error:")                                                          \
    X(2, WARN_TITLE, "KVSEC-Warning:")                                                         \
    X(3, INFO_TITLE, "KVSEC-Info:")                                                            \
    X(4, CONF_TITLE, "KVSEC-Confirm:")                                                         \
    X(5, SETUP, "User-Setup successfully finished for user: ")                                 \
    X(6, UNINST, "Uninstallation successfully finished for user: ")                            \
    X(7, UPDATE,                                                                               \
      "Copy updated configuration files for all users\r\n"                                     \
      "(may fail depending on your access rights)?")                                           \
    X(8, FAILURE, "Update failed for user: ")                                                  \
    X(9, FFF_EXT, ".fff")                                                                      \
    X(10, NO_USERS, "No additional users found")                                               \
    X(11, NO_PGP, "PGP not found!")

// Automation plug-in (12-108): menu items, hints, AutoList messages, host labels.
#define ORV_PLUGIN_TEXTS(X)                                                                    \
    X(12, WND_ID, "Bring the Orvane window to the front")                                      \
    X(13, MAN_ID, "Launch Orvane")                                                             \
    X(14, CFG_ID, "Change the Orvane configuration")                                           \
    X(15, HLP_ID, "Show the Orvane help page")                                                 \
    X(16, ABT_ID, "Show version and author information")                                       \
    X(17, WIPE_ID, "Wipe the cached passphrases")                                              \
    X(18, ENC_ID, "Encrypt the message when it is sent")                                       \
    X(19, SIG_ID, "Sign the message when it is sent")                                          \
    X(20, E_S_ID, "Encrypt and sign the message when it is sent")                              \
    X(21, MIME_ID, "Use PGP/MIME for encrypted and signed messages")                           \
    X(22, EXT_ID, "Append the extension .pgp to encrypted attachments")                        \
    X(23, FLL_ID, "Encrypt messages to AutoList recipients automatically")                     \
    X(24, MSG_ID, "Decrypt and verify the message in the active reader")                       \
    X(25, FLD_ID, "Decrypt all messages of a folder")                                          \
    X(26, VER_ID, "Verify the signature of the active message")                                \
    X(27, ADD_ID, "Add the keys of the active message to the key ring")                        \
    X(28, DEL_ID, "Delete public keys from the key ring")                                      \
    X(29, XTR_ID, "Copy a public key into the message")                                        \
    X(30, FPT_ID, "Show the fingerprint of a key")                                             \
    X(31, PGP_ID, "Start the PGP key manager")                                                 \
    X(32, ABK_ID, "Add addresses to the AutoList from address book ")                          \
    X(33, EBASE_ID, "")                                                                        \
    X(34, ALL_ID, "Add addresses from all address books to the AutoList")                      \
    X(35, RECIP_ID, "Add the last unlisted recipients to the AutoList")                        \
    X(36, RING_ID, "Add the addresses of the key ring to the AutoList")                        \
    X(37, SEL_ID, "Set the options of the AutoList addresses")                                 \
    X(38, IDS_ID, "Update the key IDs of the AutoList")                                        \
    X(39, EDIT_ID, "Edit the AutoList in the text editor")                                     \
    X(40, ADDR_ID, "Add &address to AutoList")                                                 \
    X(41, KEYS_ID, "Get &key from key server")                                                 \
    X(42, _ALL, "&All address books")                                                          \
    X(43, _RECIP, "Last &recipients")                                                          \
    X(44, _RING, "&Key ring addresses")                                                        \
    X(45, _SEL, "Address &options")                                                            \
    X(46, _IDS, "&Update AutoList")                                                            \
    X(47, _EDIT, "&Edit AutoList")                                                             \
    X(48, _TITLE, "Address &books")                                                            \
    X(49, _LANGUAGE, "en")                                                                     \
    X(50, LANG_WARN,                                                                           \
      "The installed version of Orvane only works correctly\r\n"                               \
      "with the ENGLISH version of Pegasus Mail!")                                             \
    X(51, BEG_ADD, "Updating the AutoList ...")                                                \
    X(52, END_ADD, "AutoList updated")                                                         \
    X(53, LOAD_IDS, "Loading key IDs ...")                                                     \
    X(54, NEW_INF, " new address(es) added to the AutoList")                                   \
    X(55, RING_INF, " address(es) of the key ring added to the AutoList")                      \
    X(56, IDS_INF, "The key IDs of the AutoList have been updated")                            \
    X(57, IDS_ERR, "Cannot update the key IDs of the AutoList")                                \
    X(58, ADD_INF, "Address added to the AutoList")                                            \
    X(59, ADD_ERR, "Cannot add the address to the AutoList")                                   \
    X(60, DEL_INF, " AutoList entries removed")                                                \
    X(61, DEL_ERR, "Cannot remove the AutoList entries")                                       \
    X(62, LIST_ERR, "Error while changing the AutoList")                                       \
    X(63, FILE_ERR, "Cannot create the file")                                                  \
    X(64, CONF_SEL,                                                                            \
      "You are trying to send out encrypted and unencrypted messages containing the same "     \
      "data\r\nat the same time, screwing up the purpose of encryption in general.\r\n"        \
      "Do you want to send all messages unencrypted instead")                                  \
    X(65, TO_ADDR, "To:")                                                                      \
    X(66, CC_ADDR, "Cc:")                                                                      \
    X(67, BCC_ADDR, "Bcc:")                                                                    \
    X(68, ID_TITLE, "Identity:")                                                               \
    X(69, WND_ITEM, "&Window")                                                                 \
    X(70, MAN_ITEM, "&Key manager")                                                            \
    X(71, CFG_ITEM, "&Configuration")                                                          \
    X(72, HLP_ITEM, "&Help")                                                                   \
    X(73, ABT_ITEM, "&About Orvane")                                                           \
    X(74, WIPE_ITEM, "&Wipe passphrase cache")                                                 \
    X(75, ENC_ITEM, "&Encrypt")                                                                \
    X(76, SIG_ITEM, "&Sign")                                                                   \
    X(77, E_S_ITEM, "Encrypt a&nd sign")                                                       \
    X(78, MIME_ITEM, "Use PGP/&MIME")                                                          \
    X(79, EXT_ITEM, "Append .pgp ex&tension")                                                  \
    X(80, FLL_ITEM, "&Full automation")                                                        \
    X(81, DEC_HEAD, "Decrypt ")                                                                \
    X(82, DEC_MSG_ITEM, "messa&ge")                                                            \
    X(83, DEC_FLD_ITEM, "f&older")                                                             \
    X(84, ADD_ITEM, "&Add key(s) to key ring")                                                 \
    X(85, DEL_ITEM, "&Delete key(s)")                                                          \
    X(86, EXTR_ITEM, "E&xtract key")                                                           \
    X(87, FP_ITEM, "Show f&ingerprint")                                                        \
    X(88, ENC_BOX, "Encrypt...")                                                               \
    X(89, ENC_LBL, "Encrypt")                                                                  \
    X(90, SIGN_LBL, "Sign")                                                                    \
    X(91, SEND_LBL, "Send")                                                                    \
    X(92, SIGN_ALSO, "Sign the automatically encrypted messages too")                          \
    X(93, DEF_PATH, "<Default>")                                                               \
    X(94, CREATE_PATH_BEG, "The directory \"")                                                 \
    X(95, CREATE_PATH_END, "\" does not exist.\r\nCreate it now")                              \
    X(96, CHANGE_PATH,                                                                         \
      "If you want to use Orvane\r\nyou have to restart Pegasus Mail.\r\nRestart program now") \
    X(97, NO_PATH_BEG, "Cannot create the directory \"")                                       \
    X(98, NO_PATH_END, "\"")                                                                   \
    X(99, USER_NAME, "New user name")                                                          \
    X(100, CHANGE_USER,                                                                        \
      "If you want to use Orvane\r\nyou have to restart Pegasus Mail.\r\nRestart program now") \
    X(101, USER_ADMIN,                                                                         \
      "If you want to use Orvane\r\n"                                                          \
      "you have to take the following steps after creating a new user:\r\n"                    \
      "1. Select the new user in Pegasus Mail (without restarting it);\r\n"                    \
      "2. Shut down Tolvane if it is running;\r\n"                                             \
      "3. Launch User-Setup via the respective entry in Windows' Startmenu\r\n"                \
      "(by default under \"Program Files\\Fennick\");\r\n"                                     \
      "4. Restart Pegasus Mail with the new user.")                                            \
    X(102, WIPE_SUCCESS, "Passphrase cache wiped")                                             \
    X(103, AUTO_ENABLE,                                                                        \
      "You have to enable \"Auto Encryption\" for using this button.\r\n"                      \
      "Do you want to do so now")                                                              \
    X(104, E_S_BTN, "Encrypt/Sign message (options menu)")                                     \
    X(105, DEC_BTN, "message")                                                                 \
    X(106, VER_BTN, "Verify signature")                                                        \
    X(107, MAN_BTN, "Key management")                                                          \
    X(108, EXEC_PGPKEYS_BTN, "Launch PGPkeys")

// Main library (109-369): captions, hints, progress and result messages,
// configuration labels, key-attribute names.
#define ORV_MAIN_TEXTS(X)                                                                      \
    X(109, BAD_SIG, "bad signature")                                                           \
    X(110, KEY_DIS, "disabled key")                                                            \
    X(111, KEY_EXP, "expired key")                                                             \
    X(112, KEY_REV, "revoked key")                                                             \
    X(113, KEY_UNK, "unknown key")                                                             \
    X(114, _AND, " and ")                                                                      \
    X(115, FILE_MISS, "Cannot find the following file(s):")                                    \
    X(116, _RETRY, "Retry")                                                                    \
    X(117, _GOOD, "Good")                                                                      \
    X(118, _BAD, "Bad")                                                                        \
    X(119, SIGN_FROM, " signature from")                                                       \
    X(120, NO_KEY, "No key")                                                                   \
    X(121, NO_ALG, "Unknown algorithm")                                                        \
    X(122, FOR_SIGN, " for signature")                                                         \
    X(123, ENTER_PHRASE, "Enter your passphrase:")                                             \
    X(124, KEYS_ADDED, " key(s) added")                                                        \
    X(125, KEYS_REMOVED, " key(s) removed")                                                    \
    X(126, CONFIRM_DEL, "Delete key(s)")                                                       \
    X(127, CLOSE_PGPKEYS, "Please close PGPkeys first")                                        \
    X(128, NEWPATH_ERR, "Cannot set program paths")                                            \
    X(129, GET_FILE_ERR, "Cannot get the file name")                                           \
    X(130, FILE_CHECK_ERR, "Cannot retrieve path settings")                                    \
    X(131, NO_FILE, "File not found")                                                          \
    X(132, READ_ERROR, "Error reading data")                                                   \
    X(133, WRITE_ERROR, "Error writing data")                                                  \
    X(134, LOAD_CFG, "Loading configuration data ...")                                         \
    X(135, _SELECT, "Select ")                                                                 \
    X(136, DATA_FILE, "-file")                                                                 \
    X(137, SAVE_DATA, "Save changed data")                                                     \
    X(138, SAVE_ERROR, "Cannot save PGP-Config-File\r\n(check file paths)")                    \
    X(139, FORM_CAPTION, "Configuration")                                                      \
    X(140, MY_NAME, "Default Sign Key:")                                                       \
    X(141, ALWAYS_DEF, "Always Use &Default Key")                                              \
    X(142, PELLATCH, "Auto &Encryption")                                                       \
    X(143, CHECK_KEY, "Auto Key &Check")                                                       \
    X(144, CHECK_SIG, "Remove Signature &Data")                                                \
    X(145, SERV_LOOK, "Auto Server &Look-up")                                                  \
    X(146, NOT_SHOW, "&No Signature Info")                                                     \
    X(147, INTERN_SHOW, "In &Reader Window")                                                   \
    X(148, EXTERN_SHOW, "In &Separate Window")                                                 \
    X(149, HIDE_KEY_DLG, "Auto &Key Search")                                                   \
    X(150, ENC_ATTACH, "Encrypt A&ttachments")                                                 \
    X(151, WIPE_COUNT, "Wipe Count")                                                           \
    X(152, STORE_PASS, "Store Passphrase")                                                     \
    X(153, WARN_PASS,                                                                          \
      "Storing the passphrase is a security risk if any unauthorized person can access\r\n"    \
      "your computer either directly or via an open network/internet connection")              \
    X(154, _OFF, "(disabled)")                                                                 \
    X(155, _INFINITE, "(unlimited)")                                                           \
    X(156, _SECONDS, "(seconds)")                                                              \
    X(157, CONF_ENC, "Con&firm Encryption")                                                    \
    X(158, MIX_WARN, "Mixed &Options Warning")                                                 \
    X(159, ADK_WARN, "&ADK Warning")                                                           \
    X(160, _FILE, " File:")                                                                    \
    X(161, _GROUPS, "Groups")                                                                  \
    X(162, _SERVER, "Keyserver:")                                                              \
    X(163, _COMMENT, "Comment:")                                                               \
    X(164, PGP_OPTIONS, "PGP Defaults")                                                        \
    X(165, WPM_OPTIONS, "Pegasus/Toolbar")                                                     \
    X(166, PLUG_OPTIONS, "Plugin Options")                                                     \
    X(167, SCAN_LINES, "Number of lines to scan")                                              \
    X(168, CHECK_BTN, "Check &length")                                                         \
    X(169, HEADER_LEN, "Estimated header length: ")                                            \
    X(170, DO_ADJUST, " - set \"Number of lines to scan ...\" to ")                            \
    X(171, NO_ADJUST, " - no adjustment required")                                             \
    X(172, EDIT_MARGIN, "Right margin in editor")                                              \
    X(173, MIME_ENCLOSE, "E&nclose Attachments")                                               \
    X(174, STD_COLOR, "Standard Colors")                                                       \
    X(175, NO_CHANGE,                                                                          \
      "These parameters can only be changed if the program has been started from within "      \
      "Pegasus Mail!")                                                                         \
    X(176, ENC_SIG, "No button\nEncrypt > send\nSign > send\nEncrypt + Sign > send\nMenu options") \
    X(177, SHOW_W_P, "&Wipe passphrase")                                                       \
    X(178, SHOW_E_S, "Encrypt/Sign:")                                                          \
    X(179, SHOW_DEC, "&Decrypt")                                                               \
    X(180, SHOW_VER, "&Verify signature")                                                      \
    X(181, SHOW_MAN, "&Key management")                                                        \
    X(182, SHOW_PGPKEYS, "&PGPkeys")                                                           \
    X(183, SHOW_ALL, "Show all buttons")                                                       \
    X(184, OK_HINT, "Accept")                                                                  \
    X(185, CONFIG_HELP, "General help")                                                        \
    X(186, CANCEL_HINT, "Cancel")                                                              \
    X(187, ED_ENC_LBL, "E&ncrypt...")                                                          \
    X(188, ED_FWD_TEXT, "(Fwd)")                                                               \
    X(189, ED_MSG_CAP, "Message")                                                              \
    X(190, ED_REPLY_CAP, "Reply")                                                              \
    X(191, COPY_MESSAGE,                                                                       \
      "Delete message and copy data to a new message\r\n"                                      \
      "(otherwise the message will be sent UNENCRYPTED/UNSIGNED)?")                            \
    X(192, TO_DELETE, "(delete)")                                                              \
    X(193, SUBJ_CANCEL, "(cancelled)")                                                         \
    X(194, TO_HEADER, "To:")                                                                   \
    X(195, SUBJ_HEADER, "Subj:")                                                               \
    X(196, CC_HEADER, "Cc:")                                                                   \
    X(197, BCC_HEADER, "Blind CC:")                                                            \
    X(198, REPLY_HEADER, "Send replies to:")                                                   \
    X(199, ID_HEADER, "Identity:")                                                             \
    X(200, CONF_READ, "Confirm reading")                                                       \
    X(201, CONF_DELIVER, "Confirm delivery")                                                   \
    X(202, COPY_SELF, "Copy self")                                                             \
    X(203, _URGENT, "Urgent")                                                                  \
    X(204, RICH_TEXT, "Rich text")                                                             \
    X(205, _SIGNATURE, "Sig:")                                                                 \
    X(206, USE_MIME, "Use MIME features")                                                      \
    X(207, RECIP_ADK, "The recipient's key has ADK(s)! Continue anyway?")                      \
    X(208, CONF_MIME,                                                                          \
      "Non-MIME messages cannot be encrypted/signed.\r\n"                                      \
      "Do you want to send UNENCRYPTED/UNSIGNED\r\n(attachments might become unreadable)")     \
    X(209, BASE64_ERROR, "BASE64 error")                                                       \
    X(210, _CONTINUE, "Con&tinue")                                                             \
    X(211, _SELMSG, "Select:")                                                                 \
    X(212, _SELCOPY, "&Copy")                                                                  \
    X(213, _SELSEND, "&Send")                                                                  \
    X(214, MSG_COPIED,                                                                         \
      "Message copied - please check \"Attachments\" and \"Special\" settings")                \
    X(215, DEF_IDENTITY, "<DEFAULT>")                                                          \
    X(216, _CLIPBOARD, "clipboard")                                                            \
    X(217, KIND_ATTACH, "attachment(s)")                                                       \
    X(218, KIND_MESSAGE, "message")                                                            \
    X(219, _UNENC, " unencrypted ")                                                            \
    X(220, _UNSIGN, " unsigned ")                                                              \
    X(221, UNSIGN_UNENC, " unsigned and unencrypted ")                                         \
    X(222, _SEND, "Send")                                                                      \
    X(223, EXTRA_DATA, "UNSIGNED data found:")                                                 \
    X(224, LIST_REMOVE, "Remove associated AutoList entries")                                  \
    X(225, NO_FOLDER, "No folder selected")                                                    \
    X(226, NO_KEY_FOUND, "No key found")                                                       \
    X(227, NO_WINDOW, "No editor window found:")                                               \
    X(228, PUBKEY_FROM, "Public key(s) of ")                                                   \
    X(229, COPY_KEY_TO, "copied to ")                                                          \
    X(230, COPY_DATA, "Copy data to clipboard")                                                \
    X(231, ENC_BEG, "Encrypting")                                                              \
    X(232, DEC_BEG, "Decrypting/Verifying")                                                    \
    X(233, SIGN_BEG, "Signing")                                                                \
    X(234, _CANCELLED, "cancelled")                                                            \
    X(235, _FINISHED, "finished")                                                              \
    X(236, ENC_MSG, "Encrypt message")                                                         \
    X(237, ENC_ATT, "Encrypt attachment")                                                      \
    X(238, DEC_MSG, "Decrypt message")                                                         \
    X(239, DEC_ATT, "Decrypt attachment")                                                      \
    X(240, SIGN_MSG, "Sign message")                                                           \
    X(241, SIGN_ATT, "Sign attachment")                                                        \
    X(242, NO_MEM, "Out of memory")                                                            \
    X(243, NO_NEW, "No new addresses found")                                                   \
    X(244, FOR_AUTO, " for AutoList or cancel")                                                \
    X(245, FOR_ADDR, " for ")                                                                  \
    X(246, SEL_KEY, "Select key for")                                                          \
    X(247, FOR_RECIP, "Recipient: ")                                                           \
    X(248, SET_ADDR, "Set address options")                                                    \
    X(249, SET_HINT, "Doubleclick or press [Space]:")                                          \
    X(250, LOAD_ADDR, "Loading addresses ...")                                                 \
    X(251, HELP_HINT, "Help [F1]")                                                             \
    X(252, FINDADDR_HINT, "Find address [Ctrl+F] or [F3]")                                     \
    X(253, DELADDR_HINT, "Delete address [Del]")                                               \
    X(254, DEL_ADDR_BEG, "Delete \"")                                                          \
    X(255, DEL_ADDR_END, "\"")                                                                 \
    X(256, ADD_COL_HINT, "Add address to AutoList")                                            \
    X(257, ENC_COL_HINT, "Encrypt messages to the following recipient")                        \
    X(258, SIG_COL_HINT, "Sign messages to the following recipient")                           \
    X(259, ASK_COL_HINT, "Ask whether to encrypt and/or sign")                                 \
    X(260, DISABLE_COL_HINT, "Disable the key completely for the address")                     \
    X(261, IN_VAL, "invalid")                                                                  \
    X(262, _MISS, "missing")                                                                   \
    X(263, MIME_SAVE, "View/save PGP/MIME attachments:")                                       \
    X(264, MVIEW_HINT, "&View")                                                                \
    X(265, MSAVE_HINT, "&Save")                                                                \
    X(266, MCLOSE_HINT, "&Close")                                                              \
    X(267, PUBLIC_KEY, "Select public key for ")                                               \
    X(268, KEY_INFO, "Key information:")                                                       \
    X(269, _GROUP, "Group")                                                                    \
    X(270, FROM_SERVER, "Key from &server")                                                    \
    X(271, SEL_AND_ADD, "Use and add to &AutoList")                                            \
    X(272, SELECT_CANCEL, "Select item or cancel")                                             \
    X(273, ADD_ADDR, "Add address(es) to AutoList")                                            \
    X(274, ADD_KEYS, "Import key(s)")                                                          \
    X(275, DEL_KEYS, "Delete key(s)")                                                          \
    X(276, EXPORT_KEYS, "Export key(s)")                                                       \
    X(277, SELECT_ADDR, "Select address(es):")                                                 \
    X(278, ADDR_NAME, "Address (Name)")                                                        \
    X(279, BOOK_NAME, "Book")                                                                  \
    X(280, ADD_HINT, "&Add public key(s)")                                                     \
    X(281, DEL_HINT, "&Del public key(s)")                                                     \
    X(282, MAN_HINT, "&Manage key rings")                                                      \
    X(283, X_HINT, "E&xtract public key(s)")                                                   \
    X(284, FP_HINT, "Show &fingerprint")                                                       \
    X(285, EXIT_HINT, "&Exit keymanager")                                                      \
    X(286, PIC_HINT,                                                                           \
      "[F1] for help / left mouse button: version info - right mouse button: configuration")   \
    X(287, FROM_CLIPBOARD, "Key(s) from &clipboard")                                           \
    X(288, TO_CLIPBOARD, "Key(s) to &clipboard")                                               \
    X(289, NOT_ENC, "No valid PGP encryption")                                                 \
    X(290, WRAP_HINT, "&Wrap long lines")                                                      \
    X(291, SAVE_HINT, "Encrypt and &save text to file")                                        \
    X(292, FOLDER_HINT, "&Open message folder")                                                \
    X(293, CLOSE_HINT, "&Close viewer")                                                        \
    X(294, LOAD_ERR, "Error loading text")                                                     \
    X(295, VIEWER_ERR, "Error decrypting code")                                                \
    X(296, LOAD_FOLDER, "Loading folder data ...")                                             \
    X(297, SAVE_ATTACH,                                                                        \
      "These data don't seem to be textual,\r\ndo you want to save them to a file")            \
    X(298, ATTACH_SAVED, "Data have been saved to")                                            \
    X(299, LAUNCH_ATTACH, "Load or execute attachment")                                        \
    X(300, ENC_TEXT, "Encrypt text before saving")                                             \
    X(301, TEXT_SUCCESS, "Text successfully encrypted and saved to")                           \
    X(302, TEXT_SAVED, "Text has been saved to")                                               \
    X(303, SAVE_TEXT,                                                                          \
      "Text length exceeds the viewer's capacity,\r\ndo you want to save it to a file")        \
    X(304, _ENCRYPTED, " ENCRYPTED ")                                                          \
    X(305, _DECRYPTED, " DECRYPTED ")                                                          \
    X(306, _SAVE, "Save")                                                                      \
    X(307, FILE_AS, "file as:")                                                                \
    X(308, _ENCRYPT, "encrypt")                                                                \
    X(309, _DECRYPT, "decrypt")                                                                \
    X(310, _TRYING, "Trying to ")                                                              \
    X(311, _EXPLORER, "[Ctrl] + [E] starts Explorer ...")                                      \
    X(312, OUT_OF, " out of ")                                                                 \
    X(313, LEAVE_UNENC, "You're leaving files UNENCRYPTED, continue closing")                  \
    X(314, _LEAVE, "Leave ")                                                                   \
    X(315, _UNMOD, " unmodified")                                                              \
    X(316, AUTO_MODE,                                                                          \
      "Use same file extension for all files in list\r\n"                                      \
      "(will overwrite possibly existing files with these names)")                             \
    X(317, OUTPUT_IN, "Output in:")                                                            \
    X(318, DEL_SOURCE, "Delete source")                                                        \
    X(319, IS_PROTECTED, "is protected!")                                                      \
    X(320, DEL_ANYWAY, "Delete anyway")                                                        \
    X(321, CANNOT_DEL, "Cannot delete")                                                        \
    X(322, LENGTH_ERROR, "Text length exceeds viewer's capacity")                              \
    X(323, BINARY_ERROR, "File contains binary data")                                          \
    X(324, CONFIG_HINT, "&Configuration")                                                      \
    X(325, WORDWRAP_HINT, "&Wrap long lines")                                                  \
    X(326, ENC_HINT, "&Encrypt")                                                               \
    X(327, DEC_HINT, "&Decrypt")                                                               \
    X(328, FF_HINT, "Find text [Ctrl+F]")                                                      \
    X(329, FN_HINT, "Find again [Ctrl+G]")                                                     \
    X(330, SEARCH_FOR, "Search for:")                                                          \
    X(331, CASE_SENS, "&Case sensitive")                                                       \
    X(332, WHOLE_WORD, "&Whole words")                                                         \
    X(333, NOT_FOUND, "Text not found")                                                        \
    X(334, RE_SEARCH, ", restart on first line")                                               \
    X(335, _WARN, "Warning:")                                                                  \
    X(336, _ERROR, "Error:")                                                                   \
    X(337, _INFO, "Info:")                                                                     \
    X(338, _CANCEL, "&Cancel")                                                                 \
    X(339, _CONFIRM, "Confirm:")                                                               \
    X(340, _YES, "Yes")                                                                        \
    X(341, _NO, "No")                                                                          \
    X(342, MM_BODY, "Message body")                                                            \
    X(343, NO_HELP, "not found")                                                               \
    X(344, _FILES,                                                                             \
      "Text (*.txt, *.rtf, *.doc, *.wri)|*.txt;*.rtf;*.doc;*.wri\r\n"                          \
      "PGP (*.asc, *.pgp, *.sig, *.gpg)|*.asc;*.pgp;*.sig;*.gpg\r\n"                           \
      "Keys (*.asc, *.pkr, *.pubkr, *.gpg)|*.asc;*.pkr;*.pubkr;*.gpg\r\n"                      \
      "All (*.*)|*.*")                                                                         \
    X(345, ALL_FILES, "All (*.*)|*.*")                                                         \
    X(346, OPEN_FILE, "OPEN Input File:")                                                      \
    X(347, SAVE_FILE, "SAVE Output as:")                                                       \
    X(348, RE_START,                                                                           \
      "You have to restart Pegasus Mail for changes to take effect.\r\nRestart program now")   \
    X(349, TYPE_PUB, "Public Key")                                                             \
    X(350, TYPE_SEC, "Secret Key")                                                             \
    X(351, TRUST_UNDEFINED, "undefined trust")                                                 \
    X(352, TRUST_UNKNOWN, "unknown trust")                                                     \
    X(353, TRUST_NEVER, "never trust")                                                         \
    X(354, TRUST_XXX, "")                                                                      \
    X(355, TRUST_YYY, "")                                                                      \
    X(356, TRUST_MARGINAL, "marginal trust")                                                   \
    X(357, TRUST_COMPLETE, "complete trust")                                                   \
    X(358, TRUST_ULTIMATE, "ultimate trust")                                                   \
    X(359, VALID_UNKNOWN, "unknown validity")                                                  \
    X(360, VALID_INVALID, "no validity")                                                       \
    X(361, VALID_MARGINAL, "marginal validity")                                                \
    X(362, VALID_COMPLETE, "complete validity")                                                \
    X(363, ALGOR_INVALID, "Invalid algorithm")                                                 \
    X(364, ALGOR_RSA, "RSA Key")                                                               \
    X(365, ALGOR_RSAENCRYPTONLY, "RSA - encrypt only")                                         \
    X(366, ALGOR_RSASIGNONLY, "RSA - sign only")                                               \
    X(367, ALGOR_DH, "DH Key")                                                                 \
    X(368, ALGOR_DSS, "DSS Key")                                                               \
    X(369, ALGOR_DHDSS, "DH/DSS Key")

#define ORV_ALL_TEXTS(X) ORV_LAUNCHER_TEXTS(X) ORV_PLUGIN_TEXTS(X) ORV_MAIN_TEXTS(X)
