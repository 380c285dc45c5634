# Windows of this layer, compiled into faxdesk_gui.
target_sources(faxdesk_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CListViewEx.h
    ${CMAKE_CURRENT_LIST_DIR}/CListViewEx.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFAXDESKView.h
    ${CMAKE_CURRENT_LIST_DIR}/CFAXDESKView.cpp
)
