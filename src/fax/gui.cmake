# Windows of this layer, compiled into faxdesk_gui.
target_sources(faxdesk_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/OnReadFaxes.cpp
)
