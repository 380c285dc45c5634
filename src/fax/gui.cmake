# Windows of this layer, compiled into faxdesk_gui.
target_sources(faxdesk_gui PRIVATE)
