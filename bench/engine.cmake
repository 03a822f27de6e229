if(TARGET talvo::engine)
  talvo_bench(engine talvo::engine talvo::kernel)
endif()
