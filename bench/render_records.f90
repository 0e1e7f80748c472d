! Rendering baseline: the same node-value records as bench_render, written by
! the Fortran runtime with the layout (E20.13,8(1X,E20.13)).
! Usage: fortran_render <values file> <output file> <records>
program fortran_render
  implicit none
  character(len=4096) :: values_path, output_path, text
  integer :: writes, i
  double precision, allocatable :: v(:,:)
  integer(8) :: c0, c1, rate
  call get_command_argument(1, values_path)
  call get_command_argument(2, output_path)
  call get_command_argument(3, text)
  read(text, *) writes
  allocate(v(11, writes))
  open(10, file=trim(values_path), access='stream', form='unformatted', status='old')
  read(10) v
  close(10)
  call system_clock(c0, rate)
  open(11, file=trim(output_path), form='formatted', status='replace')
  do i = 1, writes
    write(11, '(E20.13,8(1X,E20.13))') v(:, i)
  end do
  close(11)
  call system_clock(c1)
  write(*, '(A,F8.3)') 'fortran ', dble(c1 - c0) / dble(rate)
end program fortran_render
