# The two hosted controls: the movie player and the animated logo, with the GIF decoding and
# frame timing they share. Timing and frame composition are window-free.
target_sources(qs_showcase PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frame_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_animation.cpp)
if(WIN32)
  target_sources(qs_showcase PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/gif_animation_wic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gif_animation_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/movie_player.cpp
    ${CMAKE_CURRENT_LIST_DIR}/anigif_control.cpp)
endif()
