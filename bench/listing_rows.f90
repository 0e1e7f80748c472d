! End-to-end baseline: a Fortran program that only reads the nodal printout
! rows (I6,E14.5,3E13.5) and element printout rows (I7,A11,7E11.3) of a listing
! with their layouts, and writes per time step the stress-file node records
! (E20.13,8(1X,E20.13)) of every node: the formatted input and output that the
! post-processor cannot avoid, without its searching, averaging or zones.
! A node's stresses are taken from the first integration point of element
! mod(node-1, elements)+1.
! Usage: fortran_listing <listing> <output directory> <nodes> <elements>
program fortran_listing
  implicit none
  character(len=4096) :: listing, directory, text
  character(len=200) :: line
  character(len=11) :: location
  integer :: nodes, elements, status, mode, row, step, point, node, element, i
  double precision, allocatable :: displacement(:,:), stress(:,:)
  double precision :: v(7)
  integer(8) :: c0, c1, rate
  call get_command_argument(1, listing)
  call get_command_argument(2, directory)
  call get_command_argument(3, text)
  read(text, *) nodes
  call get_command_argument(4, text)
  read(text, *) elements
  allocate(displacement(4, nodes), stress(7, elements))
  call system_clock(c0, rate)
  open(10, file=trim(listing), form='formatted', status='old', action='read')
  mode = 0
  step = 0
  row = 0
  do
    read(10, '(A)', iostat=status) line
    if (status /= 0) exit
    if (line(1:17) == ' n o d a l   p r ') then
      if (step > 0) call write_step()
      step = step + 1
      mode = 1
      row = 0
    else if (line(1:17) == ' e l e m e n t   ') then
      mode = 2
      row = 0
    else if (mode == 1 .and. line(17:17) == 'E' .and. len_trim(line) == 59) then
      row = row + 1
      read(line, '(I6,E14.5,3E13.5)') node, displacement(:, row)
    else if (mode == 2 .and. line(11:15) == 'gauss') then
      read(line, '(I7,A11,7E11.3)') point, location, v
      element = row / 8 + 1
      row = row + 1
      if (point == 1) stress(:, element) = v
    end if
  end do
  close(10)
  if (step > 0) call write_step()
  call system_clock(c1)
  write(*, '(A,F8.3,A,I0,A)') 'fortran ', dble(c1 - c0) / dble(rate), ' (', step, ' steps)'
contains
  subroutine write_step()
    character(len=16) :: name
    write(name, '(A,I0,A)') 'stress_', step, '.dat'
    open(11, file=trim(directory)//'/'//trim(name), form='formatted', status='replace')
    do i = 1, nodes
      element = mod(i - 1, elements) + 1
      write(11, '(E20.13,8(1X,E20.13))') 1000d0 * displacement(1:3, i), stress(:, element), &
        displacement(4, i)
    end do
    close(11)
  end subroutine write_step
end program fortran_listing
