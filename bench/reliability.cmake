# Not a Google Benchmark: prints what the safety measures cost on a catalogue of 50,000 movies.
add_executable(reliability_cost reliability_cost.cpp)
target_link_libraries(reliability_cost PRIVATE reelkeeper_features reelkeeper_store)
