# The one product version of all four deliverables. The automation plug-in
# refuses a main or string library whose ProductVersion differs from its own.
set(ORV_VERSION_MAJOR 1)
set(ORV_VERSION_MINOR 0)
set(ORV_VERSION_PATCH 0)
set(ORV_VERSION_BUILD 1)
set(ORV_PRODUCT_NAME "Orvane")
set(ORV_COMPANY "Tamberlow")
set(ORV_COPYRIGHT "Copyright (C) 2026 Tamberlow")
set(ORV_VERSION_TEXT "${ORV_VERSION_MAJOR}.${ORV_VERSION_MINOR}.${ORV_VERSION_PATCH}.${ORV_VERSION_BUILD}")
