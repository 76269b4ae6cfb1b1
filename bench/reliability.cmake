# Not a Google Benchmark: prints what the safety measures cost on a catalogue of 50,000 movies.
add_executable(reliability_cost reliability_cost.cpp)
target_link_libraries(reliability_cost PRIVATE reelkeeper_features reelkeeper_store)

# Not a Google Benchmark: what the copy before the first change costs, one round per run.
add_executable(backup_cost backup_cost.cpp)
target_link_libraries(backup_cost PRIVATE reelkeeper_features reelkeeper_store)
