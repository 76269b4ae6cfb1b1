# The delete command of the main window.
if(NOT TARGET test_delete_movie)
    reelkeeper_add_test(test_delete_movie ${CMAKE_CURRENT_LIST_DIR}/test_delete_movie.cpp LIBS reelkeeper_main_window)
endif()
